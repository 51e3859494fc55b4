#include "common/HashedStringList.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/AnsiText.h"

namespace quarrix {

void HashedStringList::Add(std::string entry) {
  entries_.push_back(std::move(entry));
  indexValid_ = false;
}

void HashedStringList::Set(size_t index, std::string entry) {
  entries_.at(index) = std::move(entry);
  indexValid_ = false;
}

void HashedStringList::Clear() {
  entries_.clear();
  slots_.clear();
  indexValid_ = true;
}

const std::string& HashedStringList::At(size_t index) const {
  if (index >= entries_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return entries_[index];
}

namespace {

// Eight bytes at a time with A to Z folded to lower case in every byte at once, so that equal
// keys in any letter case hash alike; script keys are mostly 38-character GUIDs.
uint64_t FoldWord(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  uint64_t low7 = word & ~kHighBits;
  uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
  uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kOnes;
  uint64_t upperLetters = (atLeastA ^ aboveZ) & ~word & kHighBits;
  return word | (upperLetters >> 2);
}

uint64_t FoldedHash(std::string_view text) {
  uint64_t hash = 0x243F6A8885A308D3ull ^ text.size();
  size_t at = 0;
  for (;; at += 8) {
    uint64_t word = 0;
    size_t count = std::min<size_t>(8, text.size() - at);
    std::memcpy(&word, text.data() + at, count);
    hash = (hash ^ FoldWord(word)) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 29;
    if (count < 8) break;
  }
  // A multiply carries differences only upwards; the final mix brings them down into the low
  // bits that pick the slot.
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDull;
  hash ^= hash >> 33;
  hash *= 0xC4CEB9FE1A85EC53ull;
  hash ^= hash >> 33;
  return hash;
}

}  // namespace

std::ptrdiff_t HashedStringList::IndexOf(std::string_view key) const {
  if (!indexValid_) RebuildIndex();
  if (slots_.empty()) return npos;
  return Probe(key, FoldedHash(key));
}

void HashedStringList::IndexOfEach(std::span<const std::string_view> keys, std::span<std::ptrdiff_t> found) const {
  if (keys.size() != found.size()) throw std::invalid_argument("IndexOfEach needs one result per key");
  if (!indexValid_) RebuildIndex();
  if (slots_.empty()) {
    std::fill(found.begin(), found.end(), npos);
    return;
  }
  // Enough keys in flight to hide the memory latency, few enough for their hashes to stay in
  // registers and the stack.
  constexpr size_t kBatch = 16;
  const size_t mask = slots_.size() - 1;
  uint64_t hashes[kBatch];
  for (size_t first = 0; first < keys.size(); first += kBatch) {
    const size_t count = std::min(kBatch, keys.size() - first);
    for (size_t i = 0; i < count; ++i) {
      hashes[i] = FoldedHash(keys[first + i]);
      __builtin_prefetch(&slots_[hashes[i] & mask]);
    }
    for (size_t i = 0; i < count; ++i) found[first + i] = Probe(keys[first + i], hashes[i]);
  }
}

std::ptrdiff_t HashedStringList::Probe(std::string_view key, uint64_t hash) const {
  size_t mask = slots_.size() - 1;
  auto tag = static_cast<uint32_t>(hash >> 32);
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& candidate = slots_[slot];
    if (candidate.position == kEmptySlot) return npos;
    if (candidate.hashTag == tag && EqualsIgnoreCase(entries_[candidate.position], key)) return candidate.position;
  }
}

void HashedStringList::RebuildIndex() const {
  if (entries_.size() >= kEmptySlot) throw std::length_error("List too long to index");
  size_t capacity = 16;
  while (capacity < entries_.size() * 2) capacity *= 2;  // at most half full: short probes
  slots_.assign(entries_.empty() ? 0 : capacity, Slot{kEmptySlot, 0});
  size_t mask = capacity - 1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    uint64_t hash = FoldedHash(entries_[i]);
    auto tag = static_cast<uint32_t>(hash >> 32);
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      Slot& candidate = slots_[slot];
      bool free = candidate.position == kEmptySlot;
      // A later equal entry takes over the slot: lookups find the last occurrence.
      if (free || (candidate.hashTag == tag && EqualsIgnoreCase(entries_[candidate.position], entries_[i]))) {
        candidate = Slot{static_cast<uint32_t>(i), tag};
        break;
      }
    }
  }
  indexValid_ = true;
}

}  // namespace quarrix

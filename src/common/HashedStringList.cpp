#include "common/HashedStringList.h"

#include <algorithm>
#include <stdexcept>

#include "common/AnsiText.h"
#include "common/FoldedHash.h"

namespace quarrix {

HashedStringList::HashedStringList(std::vector<std::string> entries) {
  views_.reserve(entries.size());
  for (std::string& entry : entries) views_.push_back(Keep(std::move(entry)));
}

HashedStringList::HashedStringList(std::shared_ptr<const std::string> text, std::vector<std::string_view> entries)
    : views_(std::move(entries)), text_(std::move(text)) {}

// A copy shares the text and keeps its own copy of every other entry.
HashedStringList::HashedStringList(const HashedStringList& other)
    : views_(other.views_), text_(other.text_), slots_(other.slots_), indexValid_(other.indexValid_) {
  for (std::string_view& view : views_)
    if (!InText(view)) view = Keep(std::string(view));
}

HashedStringList& HashedStringList::operator=(const HashedStringList& other) {
  if (this != &other) *this = HashedStringList(other);
  return *this;
}

// Entries given as strings are appended to chunks that never grow past their first capacity:
// no allocation per entry, and a list's entries lie one after another, as a text's lines do.
std::string_view HashedStringList::Keep(std::string entry) {
  constexpr size_t kFirstChunk = 256;
  constexpr size_t kLargestChunk = 64 * 1024;
  if (kept_.empty() || kept_.back().capacity() - kept_.back().size() < entry.size()) {
    const size_t size = kept_.empty() ? kFirstChunk : std::min(kept_.back().capacity() * 2, kLargestChunk);
    kept_.emplace_back().reserve(std::max(size, entry.size()));
  }
  std::string& chunk = kept_.back();
  const size_t at = chunk.size();
  chunk.append(entry);
  return std::string_view(chunk).substr(at);
}

bool HashedStringList::InText(std::string_view entry) const {
  if (!text_) return false;
  const auto begin = reinterpret_cast<uintptr_t>(text_->data());
  const auto at = reinterpret_cast<uintptr_t>(entry.data());
  return at >= begin && at + entry.size() <= begin + text_->size();
}

void HashedStringList::Changed() {
  indexValid_ = false;
  copiesValid_ = false;
}

void HashedStringList::Add(std::string entry) {
  views_.push_back(Keep(std::move(entry)));
  Changed();
}

void HashedStringList::Set(size_t index, std::string entry) {
  if (index >= views_.size()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  views_[index] = Keep(std::move(entry));
  Changed();
}

void HashedStringList::Clear() {
  views_.clear();
  text_.reset();
  kept_.clear();
  slots_.clear();
  Changed();
  indexValid_ = true;
}

std::string_view HashedStringList::At(size_t index) const {
  if (index >= views_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return views_[index];
}

const std::vector<std::string>& HashedStringList::Entries() const {
  if (!copiesValid_) {
    copies_.assign(views_.begin(), views_.end());
    copiesValid_ = true;
  }
  return copies_;
}

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
    if (candidate.hashTag == tag && EqualsIgnoreCase(views_[candidate.position], key)) return candidate.position;
  }
}

void HashedStringList::RebuildIndex() const {
  if (views_.size() >= kEmptySlot) throw std::length_error("List too long to index");
  size_t capacity = 16;
  while (capacity < views_.size() * 2) capacity *= 2;  // at most half full: short probes
  slots_.assign(views_.empty() ? 0 : capacity, Slot{kEmptySlot, 0});
  size_t mask = capacity - 1;
  for (size_t i = 0; i < views_.size(); ++i) {
    uint64_t hash = FoldedHash(views_[i]);
    auto tag = static_cast<uint32_t>(hash >> 32);
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      Slot& candidate = slots_[slot];
      bool free = candidate.position == kEmptySlot;
      // A later equal entry takes over the slot: lookups find the last occurrence.
      if (free || (candidate.hashTag == tag && EqualsIgnoreCase(views_[candidate.position], views_[i]))) {
        candidate = Slot{static_cast<uint32_t>(i), tag};
        break;
      }
    }
  }
  indexValid_ = true;
}

}  // namespace quarrix

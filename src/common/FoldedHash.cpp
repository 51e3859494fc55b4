#include "common/FoldedHash.h"

#include <cstring>

namespace quarrix {
namespace {

// A to Z folded to lower case in every byte of the word at once.
uint64_t FoldWord(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  uint64_t low7 = word & ~kHighBits;
  uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
  uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kOnes;
  uint64_t upperLetters = (atLeastA ^ aboveZ) & ~word & kHighBits;
  return word | (upperLetters >> 2);
}

template <bool Fold>
uint64_t WordHash(std::string_view text) {
  uint64_t hash = 0x243F6A8885A308D3ull ^ text.size();
  const auto mix = [&hash](uint64_t word) {
    hash = (hash ^ (Fold ? FoldWord(word) : word)) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 29;
  };
  size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + at, 8);  // a fixed size: one load, no call
    mix(word);
  }
  // The last bytes (none when the size is a multiple of eight) as the low bytes of one word.
  uint64_t tail = 0;
  for (size_t i = 0; at + i < text.size(); ++i)
    tail |= uint64_t{static_cast<unsigned char>(text[at + i])} << (8 * i);
  mix(tail);
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

uint64_t FoldedHash(std::string_view text) { return WordHash<true>(text); }
uint64_t ExactHash(std::string_view text) { return WordHash<false>(text); }

}  // namespace quarrix

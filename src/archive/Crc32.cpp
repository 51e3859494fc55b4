#include "archive/Crc32.h"

#include <array>
#include <cstring>

namespace quarrix::archive {
namespace {

// Eight tables let the loop fold eight bytes per step: checking every byte of a 200 MB
// extraction must stay far below the decoder's own cost.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ ((value & 1) ? 0xEDB88320u : 0u);
    tables[0][i] = value;
  }
  for (uint32_t i = 0; i < 256; ++i) {
    for (size_t t = 1; t < 8; ++t) tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
  }
  return tables;
}

constexpr Tables kTables = MakeTables();

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t value = ~crc;
  while (size >= 8) {
    uint32_t low;
    uint32_t high;
    std::memcpy(&low, bytes, 4);
    std::memcpy(&high, bytes + 4, 4);
    low ^= value;  // little-endian hosts only; every target of this project is one
    value = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
            kTables[4][low >> 24] ^ kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
            kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
    bytes += 8;
    size -= 8;
  }
  while (size-- > 0) value = (value >> 8) ^ kTables[0][(value ^ *bytes++) & 0xFF];
  return ~value;
}

}  // namespace quarrix::archive

#pragma once
// The hash of the engine's name tables: eight bytes at a time, mixed down into the low bits that
// pick a slot. The folded form hashes A to Z as a to z, so names equal ignoring their case hash
// alike; the exact form hashes the bytes as they are.
#include <cstdint>
#include <string_view>

namespace quarrix {

uint64_t FoldedHash(std::string_view text);
uint64_t ExactHash(std::string_view text);

}  // namespace quarrix

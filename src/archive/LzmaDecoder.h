#pragma once
// LZMA and LZMA2 decoding over the reference LZMA decoder. The dictionary window grows with
// the data actually produced up to the smaller of the declared dictionary and output sizes,
// so a hostile header cannot make the reader reserve memory the data never fills.
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/ByteSource.h"

namespace quarrix::archive {

// Dictionaries beyond this are refused when the output could need all of it.
inline constexpr uint64_t kMaxDictionarySize = uint64_t{1536} << 20;

// The window a decoder of these properties holds at most for outputSize bytes; 0 for properties
// the decoder would refuse.
uint64_t LzmaWindowSize(const std::vector<uint8_t>& properties, uint64_t outputSize);
uint64_t Lzma2WindowSize(const std::vector<uint8_t>& properties, uint64_t outputSize);

std::unique_ptr<ByteSource> NewLzmaSource(std::unique_ptr<ByteSource> input, const std::vector<uint8_t>& properties,
                                          uint64_t outputSize);
std::unique_ptr<ByteSource> NewLzma2Source(std::unique_ptr<ByteSource> input, const std::vector<uint8_t>& properties,
                                           uint64_t outputSize);

}  // namespace quarrix::archive

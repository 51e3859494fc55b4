#pragma once
// Decoders of the x86 branch filters: BCJ turns relative call and jump targets back from the
// absolute form the encoder stored; BCJ2 rebuilds the code from four separate streams.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/ByteSource.h"

namespace quarrix::archive {

// Converts data[0..size) that starts at stream position `position`; returns how many leading
// bytes are final (the rest must be offered again with more data behind them). `state`
// carries the recent-opcode mask from one call to the next.
size_t DecodeX86Branches(uint8_t* data, size_t size, uint32_t position, uint32_t& state);

std::unique_ptr<ByteSource> NewBcjSource(std::unique_ptr<ByteSource> input);
// inputs: main, call, jump, range-coder streams, in this order.
std::unique_ptr<ByteSource> NewBcj2Source(std::array<std::unique_ptr<ByteSource>, 4> inputs, uint64_t outputSize);

}  // namespace quarrix::archive

#include "archive/BranchFilters.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/ArchiveStatus.h"

namespace quarrix::archive {
namespace {

bool IsAddressHighByte(uint8_t value) { return value == 0 || value == 0xFF; }

constexpr bool kMaskAllowsConversion[8] = {true, true, true, false, true, false, false, false};
constexpr unsigned kMaskHighByteIndex[8] = {0, 1, 2, 2, 3, 3, 3, 3};

class BcjSource : public ByteSource {
 public:
  explicit BcjSource(std::unique_ptr<ByteSource> input) : input_(std::move(input)), buffer_(kBufferSize) {}

  size_t Read(uint8_t* out, size_t size) override {
    const auto bytes = ReadInPlace(size);
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    return bytes.size();
  }

  std::span<const uint8_t> ReadInPlace(size_t size) override {
    if (begin_ == ready_) Refill();
    const size_t count = std::min(size, ready_ - begin_);
    const std::span<const uint8_t> bytes(buffer_.data() + begin_, count);
    begin_ += count;
    return bytes;
  }

 private:
  static constexpr size_t kBufferSize = size_t{1} << 16;

  void Refill() {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    while (!ended_ && end_ < buffer_.size()) {
      const size_t count = input_->Read(buffer_.data() + end_, buffer_.size() - end_);
      if (count == 0) ended_ = true;
      end_ += count;
    }
    const size_t converted = DecodeX86Branches(buffer_.data(), end_, position_, state_);
    position_ += static_cast<uint32_t>(converted);
    // The last few bytes cannot hold a whole instruction; they stay as they are.
    ready_ = ended_ ? end_ : converted;
  }

  std::unique_ptr<ByteSource> input_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t ready_ = 0;
  size_t end_ = 0;
  uint32_t position_ = 0;
  uint32_t state_ = 0;
  bool ended_ = false;
};

constexpr bool IsBranchOpcode(uint8_t previous, uint8_t current) {
  return (current & 0xFE) == 0xE8 || (previous == 0x0F && (current & 0xF0) == 0x80);
}

// Bytes that end a branch opcode after some previous byte: call, jump, conditional jump.
constexpr std::array<bool, 256> kMayEndBranchOpcode = [] {
  std::array<bool, 256> table{};
  for (unsigned b = 0; b < 256; ++b) table[b] = IsBranchOpcode(0x0F, static_cast<uint8_t>(b));
  return table;
}();

class Bcj2Source : public ByteSource {
 public:
  Bcj2Source(std::array<std::unique_ptr<ByteSource>, 4> inputs, uint64_t outputSize)
      : inputs_(std::move(inputs)),
        main_(*inputs_[0], size_t{1} << 16),
        call_(*inputs_[1], size_t{1} << 14),
        jump_(*inputs_[2], size_t{1} << 14),
        rangeCoder_(*inputs_[3], size_t{1} << 14),
        remaining_(outputSize) {
    probabilities_.fill(kProbabilityOne / 2);
    for (int i = 0; i < 5; ++i) code_ = (code_ << 8) | rangeCoder_.TakeByte();
  }

  size_t Read(uint8_t* out, size_t size) override {
    size_t produced = 0;
    while (produced < size && remaining_ > 0) {
      if (pendingAt_ < pending_.size()) {
        out[produced++] = pending_[pendingAt_++];
        --remaining_;
        continue;
      }
      produced += CopyPlainBytes(out + produced, size - produced);
      if (!atBranch_ || remaining_ == 0) continue;
      atBranch_ = false;
      ResolveBranch();
    }
    return produced;
  }

 private:
  static constexpr uint32_t kProbabilityOne = 1u << 11;

  // Copies main-stream bytes up to and including the next branch opcode. Byte by byte into
  // the output while scanning: the runs between branches are too short for a copy call.
  size_t CopyPlainBytes(uint8_t* out, size_t size) {
    if (!main_.Fill()) ThrowCorrupt("BCJ2 main stream ends early");
    const size_t limit = static_cast<size_t>(std::min<uint64_t>({size, remaining_, main_.Available()}));
    const uint8_t* data = main_.Data();
    uint8_t previous = previous_;
    size_t count = 0;
    while (count < limit) {
      const uint8_t value = data[count];
      out[count++] = value;
      // One table test per byte; the exact test only for the few bytes it lets through.
      if (kMayEndBranchOpcode[value] && IsBranchOpcode(previous, value)) {
        opcode_ = value;
        atBranch_ = true;
        break;
      }
      previous = value;
    }
    previous_ = previous;
    main_.Consume(count);
    remaining_ -= count;
    position_ += static_cast<uint32_t>(count);
    return count;
  }

  void ResolveBranch() {
    uint16_t& probability = opcode_ == 0xE8 ? probabilities_[previous_] : probabilities_[opcode_ == 0xE9 ? 256 : 257];
    if (!DecodeBit(probability)) {
      previous_ = opcode_;
      return;
    }
    InputWindow& addresses = opcode_ == 0xE8 ? call_ : jump_;
    uint32_t absolute = 0;
    for (int i = 0; i < 4; ++i) absolute = (absolute << 8) | addresses.TakeByte();
    const uint32_t relative = absolute - (position_ + 4);
    for (size_t i = 0; i < 4; ++i) pending_[i] = static_cast<uint8_t>(relative >> (8 * i));
    pendingAt_ = 0;
    position_ += 4;
    previous_ = static_cast<uint8_t>(relative >> 24);
  }

  bool DecodeBit(uint16_t& probability) {
    const uint32_t bound = (range_ >> 11) * probability;
    bool bit;
    if (code_ < bound) {
      range_ = bound;
      probability = static_cast<uint16_t>(probability + ((kProbabilityOne - probability) >> 5));
      bit = false;
    } else {
      range_ -= bound;
      code_ -= bound;
      probability = static_cast<uint16_t>(probability - (probability >> 5));
      bit = true;
    }
    if (range_ < (1u << 24)) {
      range_ <<= 8;
      code_ = (code_ << 8) | rangeCoder_.TakeByte();
    }
    return bit;
  }

  std::array<std::unique_ptr<ByteSource>, 4> inputs_;
  InputWindow main_;
  InputWindow call_;
  InputWindow jump_;
  InputWindow rangeCoder_;
  uint64_t remaining_;
  std::array<uint16_t, 258> probabilities_{};
  uint32_t range_ = 0xFFFFFFFFu;
  uint32_t code_ = 0;
  uint32_t position_ = 0;
  uint8_t previous_ = 0;
  uint8_t opcode_ = 0;
  bool atBranch_ = false;
  std::array<uint8_t, 4> pending_{};
  size_t pendingAt_ = 4;
};

}  // namespace

size_t DecodeX86Branches(uint8_t* data, size_t size, uint32_t position, uint32_t& state) {
  if (size < 5) return 0;
  uint32_t mask = state & 7;
  size_t index = 0;
  size_t lastOpcode = static_cast<size_t>(0) - 1;
  const size_t limit = size - 4;
  while (true) {
    while (index < limit && (data[index] & 0xFE) != 0xE8) ++index;
    if (index >= limit) break;
    const size_t distance = index - lastOpcode;
    if (distance > 3) {
      mask = 0;
    } else {
      mask = (mask << (distance - 1)) & 7;
      if (mask != 0) {
        const uint8_t probe = data[index + 4 - kMaskHighByteIndex[mask]];
        if (!kMaskAllowsConversion[mask] || IsAddressHighByte(probe)) {
          lastOpcode = index;
          mask = ((mask << 1) & 7) | 1;
          ++index;
          continue;
        }
      }
    }
    lastOpcode = index;
    uint8_t* operand = data + index + 1;
    if (!IsAddressHighByte(operand[3])) {
      mask = ((mask << 1) & 7) | 1;
      ++index;
      continue;
    }
    uint32_t source = uint32_t{operand[0]} | uint32_t{operand[1]} << 8 | uint32_t{operand[2]} << 16 |
                      uint32_t{operand[3]} << 24;
    uint32_t target;
    for (;;) {
      target = source - (position + 5 + static_cast<uint32_t>(index));
      if (mask == 0) break;
      const unsigned shift = kMaskHighByteIndex[mask] * 8;
      if (!IsAddressHighByte(static_cast<uint8_t>(target >> (24 - shift)))) break;
      source = target ^ ((1u << (32 - shift)) - 1);
    }
    operand[3] = static_cast<uint8_t>(~(((target >> 24) & 1) - 1));
    operand[2] = static_cast<uint8_t>(target >> 16);
    operand[1] = static_cast<uint8_t>(target >> 8);
    operand[0] = static_cast<uint8_t>(target);
    index += 5;
  }
  const size_t distance = index - lastOpcode;
  state = distance > 3 ? 0 : ((mask << (distance - 1)) & 7);
  return index;
}

std::unique_ptr<ByteSource> NewBcjSource(std::unique_ptr<ByteSource> input) {
  return std::make_unique<BcjSource>(std::move(input));
}

std::unique_ptr<ByteSource> NewBcj2Source(std::array<std::unique_ptr<ByteSource>, 4> inputs, uint64_t outputSize) {
  return std::make_unique<Bcj2Source>(std::move(inputs), outputSize);
}

}  // namespace quarrix::archive

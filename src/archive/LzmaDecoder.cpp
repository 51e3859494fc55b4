#include "archive/LzmaDecoder.h"

#include "LzmaDec.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

#include "archive/ArchiveStatus.h"

// Exported by the decoder but not declared in its header: LZMA2 chunks reset the dictionary
// and the state separately.
extern "C" void LzmaDec_InitDicAndState(CLzmaDec* p, Bool initDic, Bool initState);

namespace quarrix::archive {
namespace {

void* AllocateBytes(void*, size_t size) { return std::malloc(size); }
void FreeBytes(void*, void* address) { std::free(address); }
ISzAlloc gAllocator{AllocateBytes, FreeBytes};

using LzmaProperties = std::array<uint8_t, LZMA_PROPS_SIZE>;

// Never more than the output needs: a small file packed with a large dictionary stays small.
uint64_t WindowFor(uint64_t dictionarySize, uint64_t outputSize) {
  return std::min<uint64_t>(std::max<uint64_t>(dictionarySize, 1), std::max<uint64_t>(outputSize, 1));
}

size_t CopyOut(std::span<const uint8_t> bytes, uint8_t* buffer) {
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  return bytes.size();
}

constexpr size_t kInitialWindow = size_t{1} << 20;
constexpr size_t kInputWindow = size_t{1} << 16;

// The decoder state and its circular dictionary. Before the first wrap the window holds the
// output linearly, which is what lets it grow in place.
class LzmaCore {
 public:
  LzmaCore(const LzmaProperties& properties, uint64_t outputSize) {
    LzmaDec_Construct(&state_);
    if (LzmaDec_AllocateProbs(&state_, properties.data(), LZMA_PROPS_SIZE, &gAllocator) != SZ_OK) {
      ThrowUnsupported("LZMA properties are not supported");
    }
    const uint64_t needed = WindowFor(state_.prop.dicSize, outputSize);
    if (needed > kMaxDictionarySize) {
      LzmaDec_FreeProbs(&state_, &gAllocator);
      ThrowUnsupported("the dictionary is too large");
    }
    capacity_ = static_cast<size_t>(needed);
    try {
      Resize(std::min(capacity_, kInitialWindow));
    } catch (...) {
      LzmaDec_FreeProbs(&state_, &gAllocator);
      throw;
    }
    LzmaDec_Init(&state_);
  }
  ~LzmaCore() {
    LzmaDec_FreeProbs(&state_, &gAllocator);
    std::free(state_.dic);
  }
  LzmaCore(const LzmaCore&) = delete;
  LzmaCore& operator=(const LzmaCore&) = delete;

  CLzmaDec& State() { return state_; }

  // Contiguous room at the write position, at least one byte.
  size_t PrepareRoom() {
    if (state_.dicPos == state_.dicBufSize) {
      if (state_.dicBufSize < capacity_) {
        Resize(std::min(capacity_, state_.dicBufSize * 2));
      } else {
        state_.dicPos = 0;
      }
    }
    return state_.dicBufSize - state_.dicPos;
  }

  // Stored bytes of an uncompressed LZMA2 chunk join the dictionary as if decoded.
  void AppendStored(const uint8_t* data, size_t size) {
    std::memcpy(state_.dic + state_.dicPos, data, size);
    state_.dicPos += size;
    if (state_.checkDicSize == 0 && state_.prop.dicSize - state_.processedPos <= size) {
      state_.checkDicSize = state_.prop.dicSize;
    }
    state_.processedPos += static_cast<UInt32>(size);
  }

  // Decodes up to limit new bytes from window; returns how many were produced. inputLimit caps
  // the bytes offered (an LZMA2 chunk's packed size).
  size_t Decode(InputWindow& input, size_t limit, uint64_t inputLimit, uint64_t& consumed) {
    const size_t start = state_.dicPos;
    SizeT inLength = static_cast<SizeT>(std::min<uint64_t>(input.Available(), inputLimit));
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    const SRes result = LzmaDec_DecodeToDic(&state_, start + limit, input.Data(), &inLength, LZMA_FINISH_ANY, &status);
    input.Consume(inLength);
    consumed = inLength;
    if (result != SZ_OK) ThrowCorrupt("LZMA data are damaged");
    const size_t produced = state_.dicPos - start;
    if (produced == 0 && status == LZMA_STATUS_FINISHED_WITH_MARK) ThrowCorrupt("LZMA data end before their size");
    return produced;
  }

  const uint8_t* At(size_t position) const { return state_.dic + position; }

 private:
  // Raw memory, never zero-filled: the decoder writes every byte before it reads it, and pages
  // the data never reach cost nothing. realloc can move a large block without copying it.
  void Resize(size_t size) {
    void* grown = std::realloc(state_.dic, size);
    if (!grown) throw std::bad_alloc();  // the old block stays valid and is freed with the core
    state_.dic = static_cast<uint8_t*>(grown);
    state_.dicBufSize = size;
  }

  CLzmaDec state_;
  size_t capacity_ = 0;
};

class LzmaSource : public ByteSource {
 public:
  LzmaSource(std::unique_ptr<ByteSource> input, const LzmaProperties& properties, uint64_t outputSize)
      : input_(std::move(input)), window_(*input_, kInputWindow), core_(properties, outputSize), remaining_(outputSize) {}

  size_t Read(uint8_t* buffer, size_t size) override { return CopyOut(ReadInPlace(size), buffer); }

  std::span<const uint8_t> ReadInPlace(size_t size) override {
    if (remaining_ == 0 || size == 0) return {};
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>({size, core_.PrepareRoom(), remaining_}));
    const size_t start = core_.State().dicPos;
    for (;;) {
      const bool haveInput = window_.Fill();
      uint64_t consumed = 0;
      const size_t produced = core_.Decode(window_, wanted, UINT64_MAX, consumed);
      if (produced > 0) {
        remaining_ -= produced;
        return {core_.At(start), produced};
      }
      if (!haveInput || consumed == 0) ThrowCorrupt("LZMA data end early");
    }
  }

 private:
  std::unique_ptr<ByteSource> input_;
  InputWindow window_;
  LzmaCore core_;
  uint64_t remaining_;
};

LzmaProperties CheckedLzmaProperties(const std::vector<uint8_t>& properties) {
  if (properties.size() != LZMA_PROPS_SIZE) ThrowUnsupported("LZMA properties are malformed");
  LzmaProperties bytes{};
  std::copy(properties.begin(), properties.end(), bytes.begin());
  return bytes;
}

uint64_t Lzma2DictionarySize(const std::vector<uint8_t>& properties) {
  if (properties.size() != 1 || properties[0] > 40) ThrowUnsupported("LZMA2 properties are malformed");
  const unsigned bits = properties[0];
  if (bits == 40) return 0xFFFFFFFFu;
  return static_cast<uint64_t>(2 | (bits & 1)) << (bits / 2 + 11);
}

// LZMA2 is a sequence of chunks, each either stored or LZMA-coded, that may reset the
// dictionary, the coder state or the literal/position parameters.
class Lzma2Source : public ByteSource {
 public:
  Lzma2Source(std::unique_ptr<ByteSource> input, uint64_t dictionarySize, uint64_t outputSize)
      : input_(std::move(input)),
        window_(*input_, kInputWindow),
        core_(MaxLiteralProperties(dictionarySize), outputSize),
        remaining_(outputSize) {}

  size_t Read(uint8_t* buffer, size_t size) override { return CopyOut(ReadInPlace(size), buffer); }

  std::span<const uint8_t> ReadInPlace(size_t size) override {
    if (remaining_ == 0 || size == 0) return {};
    while (chunkUnpacked_ == 0) StartChunk();
    const size_t limit = static_cast<size_t>(std::min<uint64_t>({size, core_.PrepareRoom(), remaining_}));
    const size_t start = core_.State().dicPos;
    size_t total = 0;
    // Chunks hold at most 64 KiB of packed data: going on into the next one while the window
    // has room hands out whole files in one piece instead of one piece per chunk.
    for (;;) {
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(limit - total, chunkUnpacked_));
      const size_t produced = stored_ ? CopyStored(wanted) : DecodeCoded(wanted);
      remaining_ -= produced;
      chunkUnpacked_ -= produced;
      total += produced;
      if (chunkUnpacked_ == 0 && !stored_ && chunkPacked_ != 0) ThrowCorrupt("an LZMA2 chunk has surplus data");
      if (total == limit || chunkUnpacked_ != 0 || remaining_ == 0) break;
      while (chunkUnpacked_ == 0) StartChunk();
      if (core_.State().dicPos != start + total) break;  // the next chunk starts elsewhere
    }
    return {core_.At(start), total};
  }

 private:
  static LzmaProperties MaxLiteralProperties(uint64_t dictionarySize) {
    // Probabilities sized for lc + lp = 4, the most a chunk may ask for later.
    LzmaProperties properties{};
    properties[0] = 4;
    for (int i = 0; i < 4; ++i) properties[1 + i] = static_cast<uint8_t>(dictionarySize >> (8 * i));
    return properties;
  }

  void StartChunk() {
    const uint8_t control = window_.TakeByte();
    if (control == 0) ThrowCorrupt("LZMA2 data end before their size");
    if (control == 1 || control == 2) {
      if (control == 2 && needDictionaryReset_) ThrowCorrupt("LZMA2 data lack a dictionary reset");
      needDictionaryReset_ = false;
      chunkUnpacked_ = ReadBigEndian16() + 1u;
      chunkPacked_ = chunkUnpacked_;
      stored_ = true;
      LzmaDec_InitDicAndState(&core_.State(), control == 1, False);
      return;
    }
    if (control < 0x80) ThrowCorrupt("LZMA2 control byte is invalid");
    const unsigned reset = (control >> 5) & 3;
    chunkUnpacked_ = ((uint64_t{control} & 0x1F) << 16) + ReadBigEndian16() + 1;
    chunkPacked_ = ReadBigEndian16() + 1u;
    if (reset == 3) {
      needDictionaryReset_ = false;
    } else if (needDictionaryReset_) {
      ThrowCorrupt("LZMA2 data lack a dictionary reset");
    }
    if (reset >= 2) {
      SetLiteralProperties(window_.TakeByte());
    } else if (needProperties_) {
      ThrowCorrupt("LZMA2 data lack their properties");
    }
    stored_ = false;
    LzmaDec_InitDicAndState(&core_.State(), reset == 3, reset >= 1);
  }

  void SetLiteralProperties(uint8_t value) {
    if (value >= 9 * 5 * 5) ThrowCorrupt("LZMA2 properties are invalid");
    const unsigned lc = value % 9;
    const unsigned lp = (value / 9) % 5;
    const unsigned pb = value / 45;
    if (lc + lp > 4) ThrowCorrupt("LZMA2 properties are invalid");
    core_.State().prop.lc = lc;
    core_.State().prop.lp = lp;
    core_.State().prop.pb = pb;
    needProperties_ = false;
  }

  uint32_t ReadBigEndian16() {
    const uint32_t high = window_.TakeByte();
    return (high << 8) | window_.TakeByte();
  }

  size_t CopyStored(size_t wanted) {
    if (!window_.Fill()) ThrowCorrupt("LZMA2 data end early");
    const size_t count = std::min(wanted, window_.Available());
    core_.AppendStored(window_.Data(), count);
    window_.Consume(count);
    chunkPacked_ -= count;
    return count;
  }

  size_t DecodeCoded(size_t wanted) {
    for (;;) {
      const bool haveInput = chunkPacked_ > 0 && window_.Fill();
      uint64_t consumed = 0;
      const size_t produced = core_.Decode(window_, wanted, haveInput ? chunkPacked_ : 0, consumed);
      chunkPacked_ -= consumed;
      if (produced > 0) return produced;
      if (!haveInput || consumed == 0) ThrowCorrupt("an LZMA2 chunk ends early");
    }
  }

  std::unique_ptr<ByteSource> input_;
  InputWindow window_;
  LzmaCore core_;
  uint64_t remaining_;
  uint64_t chunkUnpacked_ = 0;
  uint64_t chunkPacked_ = 0;
  bool stored_ = false;
  bool needDictionaryReset_ = true;
  bool needProperties_ = true;
};

}  // namespace

uint64_t LzmaWindowSize(const std::vector<uint8_t>& properties, uint64_t outputSize) {
  if (properties.size() != LZMA_PROPS_SIZE) return 0;
  uint64_t dictionarySize = 0;
  for (int i = 0; i < 4; ++i) dictionarySize |= uint64_t{properties[1 + i]} << (8 * i);
  return WindowFor(dictionarySize, outputSize);
}

uint64_t Lzma2WindowSize(const std::vector<uint8_t>& properties, uint64_t outputSize) {
  if (properties.size() != 1 || properties[0] > 40) return 0;
  return WindowFor(Lzma2DictionarySize(properties), outputSize);
}

std::unique_ptr<ByteSource> NewLzmaSource(std::unique_ptr<ByteSource> input, const std::vector<uint8_t>& properties,
                                          uint64_t outputSize) {
  return std::make_unique<LzmaSource>(std::move(input), CheckedLzmaProperties(properties), outputSize);
}

std::unique_ptr<ByteSource> NewLzma2Source(std::unique_ptr<ByteSource> input, const std::vector<uint8_t>& properties,
                                           uint64_t outputSize) {
  return std::make_unique<Lzma2Source>(std::move(input), Lzma2DictionarySize(properties), outputSize);
}

}  // namespace quarrix::archive

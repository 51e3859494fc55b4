#include "archive/ByteSource.h"

#include <algorithm>

#include "archive/ArchiveStatus.h"

namespace quarrix::archive {
namespace {

class PackedSource : public ByteSource {
 public:
  PackedSource(ArchiveInput& input, uint64_t offset, uint64_t size) : input_(input), offset_(offset), remaining_(size) {}

  size_t Read(uint8_t* buffer, size_t size) override {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (count == 0) return 0;
    if (!input_.Read(offset_, buffer, count)) ThrowCorrupt("the archive ends inside packed data");
    offset_ += count;
    remaining_ -= count;
    return count;
  }

 private:
  ArchiveInput& input_;
  uint64_t offset_;
  uint64_t remaining_;
};

class CopySource : public ByteSource {
 public:
  CopySource(std::unique_ptr<ByteSource> input, uint64_t size) : input_(std::move(input)), remaining_(size) {}

  size_t Read(uint8_t* buffer, size_t size) override {
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (wanted == 0) return 0;
    const size_t count = input_->Read(buffer, wanted);
    if (count == 0) ThrowCorrupt("stored data ends early");
    remaining_ -= count;
    return count;
  }

  std::span<const uint8_t> ReadInPlace(size_t size) override {
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (wanted == 0) return {};
    const auto bytes = input_->ReadInPlace(wanted);
    if (bytes.empty()) ThrowCorrupt("stored data ends early");
    remaining_ -= bytes.size();
    return bytes;
  }

 private:
  std::unique_ptr<ByteSource> input_;
  uint64_t remaining_;
};

}  // namespace

void ReadExactly(ByteSource& source, uint8_t* buffer, size_t size) {
  while (size > 0) {
    const size_t count = source.Read(buffer, size);
    if (count == 0) ThrowCorrupt("a stream ends early");
    buffer += count;
    size -= count;
  }
}

std::unique_ptr<ByteSource> NewPackedSource(ArchiveInput& input, uint64_t offset, uint64_t size) {
  return std::make_unique<PackedSource>(input, offset, size);
}

std::unique_ptr<ByteSource> NewCopySource(std::unique_ptr<ByteSource> input, uint64_t size) {
  return std::make_unique<CopySource>(std::move(input), size);
}

std::span<const uint8_t> ByteSource::ReadInPlace(size_t size) {
  constexpr size_t kMaxScratch = size_t{1} << 20;
  const size_t wanted = std::min(size, kMaxScratch);
  if (scratchSize_ < wanted) {
    scratch_ = std::make_unique_for_overwrite<uint8_t[]>(wanted);
    scratchSize_ = wanted;
  }
  return {scratch_.get(), Read(scratch_.get(), wanted)};
}

bool InputWindow::Refill() {
  position_ = 0;
  data_ = source_.ReadInPlace(capacity_);
  return !data_.empty();
}

void InputWindow::ThrowEndOfInput() { ThrowCorrupt("a stream ends early"); }

}  // namespace quarrix::archive

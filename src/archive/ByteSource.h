#pragma once
// Pull streams chained from the packed bytes to an entry's content. Each stage reads its
// inputs on demand, so a folder decodes in bounded memory however large it is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "archive/ArchiveIo.h"

namespace quarrix::archive {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to size bytes; 0 only at the end of the stream. Throws ArchiveError on bad data.
  virtual size_t Read(uint8_t* buffer, size_t size) = 0;
  // As Read, but the bytes stay where the source holds them: valid until the next call on this
  // source. Decoders that keep a window (the dictionary, a block buffer) hand it out without a
  // copy; the others read into a buffer of the source's own.
  virtual std::span<const uint8_t> ReadInPlace(size_t size);

 private:
  std::unique_ptr<uint8_t[]> scratch_;  // not zero-filled: Read writes what is returned
  size_t scratchSize_ = 0;
};

// Reads exactly size bytes or throws a corrupt-archive error.
void ReadExactly(ByteSource& source, uint8_t* buffer, size_t size);

// A byte range of the archive file.
std::unique_ptr<ByteSource> NewPackedSource(ArchiveInput& input, uint64_t offset, uint64_t size);
// Passes its input through; ends exactly at size.
std::unique_ptr<ByteSource> NewCopySource(std::unique_ptr<ByteSource> input, uint64_t size);

// Buffered reading from a ByteSource for decoders that take their input in slices.
class InputWindow {
 public:
  // capacity: the most bytes taken from the source at once.
  InputWindow(ByteSource& source, size_t capacity) : source_(source), capacity_(capacity) {}
  // Refills when empty; false at the end of the input.
  bool Fill() { return position_ < data_.size() || Refill(); }
  const uint8_t* Data() const { return data_.data() + position_; }
  size_t Available() const { return data_.size() - position_; }
  void Consume(size_t count) { position_ += count; }
  // Next byte or throws at the end of the input.
  uint8_t TakeByte() {
    if (position_ == data_.size() && !Refill()) ThrowEndOfInput();
    return data_[position_++];
  }

 private:
  bool Refill();
  [[noreturn]] static void ThrowEndOfInput();

  ByteSource& source_;
  size_t capacity_;
  std::span<const uint8_t> data_;  // in place in the source, valid until the next refill
  size_t position_ = 0;
};

}  // namespace quarrix::archive

#pragma once
// Pull streams chained from the packed bytes to an entry's content. Each stage reads its
// inputs on demand, so a folder decodes in bounded memory however large it is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/ArchiveIo.h"

namespace quarrix::archive {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to size bytes; 0 only at the end of the stream. Throws ArchiveError on bad data.
  virtual size_t Read(uint8_t* buffer, size_t size) = 0;
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
  InputWindow(ByteSource& source, size_t capacity) : source_(source), buffer_(capacity) {}
  // Refills when empty; false at the end of the input.
  bool Fill();
  const uint8_t* Data() const { return buffer_.data() + position_; }
  size_t Available() const { return end_ - position_; }
  void Consume(size_t count) { position_ += count; }
  // Next byte or throws at the end of the input.
  uint8_t TakeByte();

 private:
  ByteSource& source_;
  std::vector<uint8_t> buffer_;
  size_t position_ = 0;
  size_t end_ = 0;
};

}  // namespace quarrix::archive

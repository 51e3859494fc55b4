// Open + Entries of arbitrary bytes as an archive header, including packed headers decoded
// through any coder graph. Seeds: the bytes after the signature header of small archives
// made with 7z -mhc=off from a 16-byte file (see fuzz/CMakeLists.txt).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/ArchiveReader.h"
#include "archive/Cp1252CodePage.h"
#include "archive/Crc32.h"

namespace {

class MemoryInput : public quarrix::archive::ArchiveInput {
 public:
  explicit MemoryInput(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool Read(uint64_t offset, void* buffer, size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    std::memcpy(buffer, bytes_.data() + offset, size);
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
};

void StoreLittle32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quarrix::archive;
  // The input is the header block; it is wrapped with a valid signature header that points
  // at it, so that mutations reach the parser instead of failing the CRC checks.
  std::vector<uint8_t> bytes(kSignatureHeaderSize, 0);
  const uint8_t signature[8] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4};
  std::memcpy(bytes.data(), signature, sizeof signature);
  // First 16 input bytes (if any) stand for packed data in front of the header.
  const size_t packed = size < 16 ? size : 16;
  bytes.insert(bytes.end(), data, data + size);
  const uint64_t headerSize = size - packed;
  for (int i = 0; i < 8; ++i) bytes[12 + i] = static_cast<uint8_t>(uint64_t{packed} >> (8 * i));
  for (int i = 0; i < 8; ++i) bytes[20 + i] = static_cast<uint8_t>(headerSize >> (8 * i));
  StoreLittle32(bytes.data() + 28, Crc32(data + packed, static_cast<size_t>(headerSize)));
  StoreLittle32(bytes.data() + 8, Crc32(bytes.data() + 12, 20));

  Cp1252CodePage codePage;
  ArchiveReader reader(codePage, nullptr);
  MemoryInput input(std::move(bytes));
  if (reader.Open(&input) == ArchiveStatus::kOk) {
    size_t total = 0;
    for (const auto& entry : reader.Entries()) total += entry.path.size();
    (void)total;
  }
  return 0;
}

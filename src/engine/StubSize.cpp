#include "engine/StubSize.h"

#include <algorithm>
#include <limits>

namespace quarrix {
namespace {

constexpr uint64_t kDosHeaderSize = 64;
constexpr uint64_t kNewHeaderOffsetField = 60;   // e_lfanew
constexpr uint64_t kSignatureSize = 4;           // "PE\0\0"
constexpr uint64_t kFileHeaderSize = 20;
constexpr uint64_t kSectionCountField = 2;       // NumberOfSections, in the file header
constexpr uint64_t kOptionalHeaderSizeField = 16;  // SizeOfOptionalHeader, in the file header
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kRawSizeField = 16;           // SizeOfRawData, in a section header
constexpr uint64_t kRawPointerField = 20;        // PointerToRawData, in a section header

// Little-endian reads; the caller has checked the bounds.
uint32_t ReadU16(std::string_view bytes, uint64_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

uint32_t ReadU32(std::string_view bytes, uint64_t at) { return ReadU16(bytes, at) | ReadU16(bytes, at + 2) << 16; }

}  // namespace

std::optional<uint32_t> GetStubSize(std::string_view image) {
  const uint64_t size = image.size();
  if (size < kDosHeaderSize || image.substr(0, 2) != "MZ") return std::nullopt;

  const uint64_t signatureAt = ReadU32(image, kNewHeaderOffsetField);
  const uint64_t fileHeaderAt = signatureAt + kSignatureSize;
  if (fileHeaderAt + kFileHeaderSize > size) return std::nullopt;
  if (image.substr(signatureAt, kSignatureSize) != std::string_view("PE\0\0", 4)) return std::nullopt;

  // The optional header's size differs between PE32 (224) and PE32+ (240), so it is read, not assumed.
  const uint64_t sectionCount = ReadU16(image, fileHeaderAt + kSectionCountField);
  const uint64_t sectionTableAt = fileHeaderAt + kFileHeaderSize + ReadU16(image, fileHeaderAt + kOptionalHeaderSizeField);
  if (sectionTableAt + sectionCount * kSectionHeaderSize > size) return std::nullopt;

  uint64_t end = 0;
  for (uint64_t section = 0; section < sectionCount; ++section) {
    const uint64_t headerAt = sectionTableAt + section * kSectionHeaderSize;
    end = std::max(end, uint64_t{ReadU32(image, headerAt + kRawPointerField)} + ReadU32(image, headerAt + kRawSizeField));
  }
  // No file can hold raw data ending beyond 4 GiB; such headers are not an image.
  if (end > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(end);
}

}  // namespace quarrix

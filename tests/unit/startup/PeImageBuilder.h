#pragma once
// Synthetic PE headers for the stub-size rule: just the fields it reads, the rest filled with a
// pattern so that a reader looking in the wrong place gets a wrong answer, not a lucky zero.
#include <cstdint>
#include <string>
#include <vector>

namespace quarrix::testing {

struct RawSection {
  uint32_t pointerToRawData = 0;
  uint32_t sizeOfRawData = 0;
};

constexpr uint16_t kPe32OptionalHeaderSize = 224;
constexpr uint16_t kPe32PlusOptionalHeaderSize = 240;

inline void PutLittleEndian(std::string& bytes, size_t at, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The headers only: DOS header, signature at e_lfanew, file header, optional header, sections.
inline std::string MakePeHeaders(const std::vector<RawSection>& sections,
                                 uint16_t optionalHeaderSize = kPe32OptionalHeaderSize, uint32_t newHeaderOffset = 0x80) {
  const size_t fileHeaderAt = newHeaderOffset + 4;
  const size_t tableAt = fileHeaderAt + 20 + optionalHeaderSize;
  std::string bytes(tableAt + 40 * sections.size(), '\xEE');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  PutLittleEndian(bytes, 60, newHeaderOffset, 4);
  bytes.replace(newHeaderOffset, 4, std::string("PE\0\0", 4));
  PutLittleEndian(bytes, fileHeaderAt + 2, sections.size(), 2);
  PutLittleEndian(bytes, fileHeaderAt + 16, optionalHeaderSize, 2);
  for (size_t i = 0; i < sections.size(); ++i) {
    const size_t headerAt = tableAt + 40 * i;
    bytes.replace(headerAt, 8, std::string(".sect\0\0\0", 8));
    PutLittleEndian(bytes, headerAt + 16, sections[i].sizeOfRawData, 4);
    PutLittleEndian(bytes, headerAt + 20, sections[i].pointerToRawData, 4);
  }
  return bytes;
}

// A whole image file: headers, then filler up to the end of the last section's raw data.
inline std::string MakePeImage(const std::vector<RawSection>& sections,
                               uint16_t optionalHeaderSize = kPe32OptionalHeaderSize) {
  std::string image = MakePeHeaders(sections, optionalHeaderSize);
  uint64_t end = 0;
  for (const RawSection& section : sections)
    end = std::max<uint64_t>(end, uint64_t{section.pointerToRawData} + section.sizeOfRawData);
  if (image.size() < end) image.resize(end, '\x90');
  return image;
}

}  // namespace quarrix::testing

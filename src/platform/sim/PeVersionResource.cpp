#include "platform/sim/PeVersionResource.h"

#include <cstdint>

namespace quarrix::platform::sim {
namespace {

constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Has(uint64_t offset, uint64_t size) const { return offset <= bytes_.size() && size <= bytes_.size() - offset; }
  uint16_t U16(uint64_t at) const {
    if (!Has(at, 2)) return 0;
    return static_cast<uint16_t>(Byte(at) | (Byte(at + 1) << 8));
  }
  uint32_t U32(uint64_t at) const {
    if (!Has(at, 4)) return 0;
    return static_cast<uint32_t>(U16(at)) | (static_cast<uint32_t>(U16(at + 2)) << 16);
  }

 private:
  uint32_t Byte(uint64_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  std::string_view bytes_;
};

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawOffset;
  uint32_t rawSize;
};

}  // namespace

std::optional<FileVersion> ReadPeFileVersion(std::string_view image) {
  const Reader in(image);
  if (!in.Has(0, 64) || in.U16(0) != 0x5A4D) return std::nullopt;  // "MZ"
  const uint32_t pe = in.U32(0x3C);
  if (!in.Has(pe, 24) || in.U32(pe) != 0x00004550) return std::nullopt;  // "PE\0\0"
  const uint16_t sectionCount = in.U16(pe + 6);
  const uint16_t optionalSize = in.U16(pe + 20);
  const uint64_t optional = pe + 24;
  const uint16_t magic = in.U16(optional);
  uint64_t directories = 0;
  uint32_t directoryCount = 0;
  if (magic == 0x10B) {  // PE32
    directoryCount = in.U32(optional + 92);
    directories = optional + 96;
  } else if (magic == 0x20B) {  // PE32+
    directoryCount = in.U32(optional + 108);
    directories = optional + 112;
  } else {
    return std::nullopt;
  }
  if (directoryCount <= kResourceDirectoryIndex) return std::nullopt;
  const uint32_t resourceRva = in.U32(directories + 8 * kResourceDirectoryIndex);
  if (resourceRva == 0) return std::nullopt;

  const uint64_t sectionTable = optional + optionalSize;
  auto fileOffset = [&](uint32_t rva, uint32_t size) -> std::optional<uint64_t> {
    for (uint16_t i = 0; i < sectionCount; ++i) {
      const uint64_t header = sectionTable + 40ull * i;
      if (!in.Has(header, 40)) return std::nullopt;
      const Section section{in.U32(header + 12), in.U32(header + 8), in.U32(header + 20), in.U32(header + 16)};
      const uint64_t extent = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
      if (rva >= section.virtualAddress && rva - section.virtualAddress < extent) {
        const uint64_t delta = rva - section.virtualAddress;
        if (delta + size > section.rawSize) return std::nullopt;
        const uint64_t offset = section.rawOffset + delta;
        if (!in.Has(offset, size)) return std::nullopt;
        return offset;
      }
    }
    return std::nullopt;
  };
  const auto root = fileOffset(resourceRva, 16);
  if (!root) return std::nullopt;

  // One level of the resource tree: the entry with the id wanted, or the first when any will do.
  auto entryOf = [&](uint64_t directory, std::optional<uint32_t> id) -> std::optional<uint32_t> {
    if (!in.Has(directory, 16)) return std::nullopt;
    const uint32_t count = in.U16(directory + 12) + in.U16(directory + 14);
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t entry = directory + 16 + 8ull * i;
      if (!in.Has(entry, 8)) return std::nullopt;
      const uint32_t name = in.U32(entry);
      if (!id || ((name & kSubdirectoryFlag) == 0 && name == *id)) return in.U32(entry + 4);
    }
    return std::nullopt;
  };
  auto subdirectory = [&](std::optional<uint32_t> link) -> std::optional<uint64_t> {
    if (!link || (*link & kSubdirectoryFlag) == 0) return std::nullopt;
    const uint64_t at = *root + (*link & ~kSubdirectoryFlag);
    if (!in.Has(at, 16)) return std::nullopt;
    return at;
  };
  const auto names = subdirectory(entryOf(*root, kVersionResourceType));
  if (!names) return std::nullopt;
  const auto languages = subdirectory(entryOf(*names, std::nullopt));
  if (!languages) return std::nullopt;
  const auto leaf = entryOf(*languages, std::nullopt);
  if (!leaf || (*leaf & kSubdirectoryFlag) != 0) return std::nullopt;
  const uint64_t dataEntry = *root + *leaf;
  if (!in.Has(dataEntry, 16)) return std::nullopt;
  const uint32_t dataSize = in.U32(dataEntry + 4);
  const auto data = fileOffset(in.U32(dataEntry), dataSize);
  if (!data) return std::nullopt;

  // VS_VERSIONINFO: wLength, wValueLength, wType, "VS_VERSION_INFO" in UTF-16 and its zero, padding
  // to 32 bits, then the fixed information when wValueLength says there is one.
  const uint16_t valueLength = in.U16(*data + 2);
  const uint64_t fixed = *data + ((6 + 2 * 16 + 3) & ~uint64_t{3});
  if (valueLength < 52 || fixed + 52 > *data + dataSize || in.U32(fixed) != kFixedInfoSignature) return std::nullopt;
  const uint32_t versionMs = in.U32(fixed + 8);
  const uint32_t versionLs = in.U32(fixed + 12);
  return FileVersion{static_cast<uint16_t>(versionMs >> 16), static_cast<uint16_t>(versionMs & 0xFFFF),
                     static_cast<uint16_t>(versionLs >> 16), static_cast<uint16_t>(versionLs & 0xFFFF)};
}

}  // namespace quarrix::platform::sim

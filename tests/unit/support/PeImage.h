#pragma once
// A minimal Windows image with a version resource, as a resource compiler and linker would lay
// it out: one ".rsrc" section holding the three-level resource tree and VS_VERSIONINFO.
#include <cstdint>
#include <string>

namespace quarrix::testing {

struct PeImageOptions {
  bool pe32Plus = false;
  bool withVersion = true;
  uint32_t signature = 0xFEEF04BD;
};

inline std::string PeImageWithVersion(uint16_t major, uint16_t minor, uint16_t release, uint16_t build,
                                      PeImageOptions options = {}) {
  std::string image(0x200 + 0x100, '\0');
  auto put16 = [&](size_t at, uint32_t value) {
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>((value >> 8) & 0xFF);
  };
  auto put32 = [&](size_t at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
  };
  image[0] = 'M';
  image[1] = 'Z';
  put32(0x3C, 0x40);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  const size_t coff = 0x44;
  put16(coff, options.pe32Plus ? 0x8664 : 0x14C);
  put16(coff + 2, 1);  // one section
  const size_t optional = coff + 20;
  const size_t optionalSize = options.pe32Plus ? 240 : 224;
  put16(coff + 16, static_cast<uint32_t>(optionalSize));
  put16(optional, options.pe32Plus ? 0x20B : 0x10B);
  const size_t directories = optional + (options.pe32Plus ? 112 : 96);
  put32(directories - 4, 16);
  const uint32_t sectionRva = 0x1000;
  const uint32_t versionSize = 40 + 52;
  if (options.withVersion) {
    put32(directories + 16, sectionRva);
    put32(directories + 20, 0x58 + versionSize);
  }
  const size_t section = optional + optionalSize;
  image.replace(section, 5, ".rsrc");
  put32(section + 8, 0x100);
  put32(section + 12, sectionRva);
  put32(section + 16, 0x100);
  put32(section + 20, 0x200);

  const size_t rsrc = 0x200;
  put16(rsrc + 14, 1);                     // root: one id entry
  put32(rsrc + 16, 16);                    // RT_VERSION
  put32(rsrc + 20, 0x80000000u | 0x18);    // to the names
  put16(rsrc + 0x18 + 14, 1);
  put32(rsrc + 0x18 + 16, 1);              // name 1
  put32(rsrc + 0x18 + 20, 0x80000000u | 0x30);
  put16(rsrc + 0x30 + 14, 1);
  put32(rsrc + 0x30 + 16, 0x409);          // language
  put32(rsrc + 0x30 + 20, 0x48);           // to the data entry
  put32(rsrc + 0x48, sectionRva + 0x58);
  put32(rsrc + 0x48 + 4, versionSize);
  const size_t info = rsrc + 0x58;
  put16(info, versionSize);
  put16(info + 2, 52);
  const std::string key = "VS_VERSION_INFO";
  for (size_t i = 0; i < key.size(); ++i) put16(info + 6 + 2 * i, static_cast<unsigned char>(key[i]));
  put32(info + 40, options.signature);
  put32(info + 44, 0x10000);
  put32(info + 48, (uint32_t{major} << 16) | minor);
  put32(info + 52, (uint32_t{release} << 16) | build);
  return image;
}

}  // namespace quarrix::testing

#include "archive/Cp1252CodePage.h"

namespace quarrix::archive {
namespace {

// Code page 1252 differs from Latin-1 only in 0x80 to 0x9F; unassigned bytes map to themselves.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::string Cp1252CodePage::FromWide(const std::u16string& text) const {
  std::string ansi;
  ansi.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ansi.push_back('?');  // one character, two code units
      ++i;
      continue;
    }
    ansi.push_back(ToAnsi(c));
  }
  return ansi;
}

std::u16string Cp1252CodePage::ToWide(const std::string& text) const {
  std::u16string wide;
  wide.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    wide.push_back(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<char16_t>(byte));
  }
  return wide;
}

}  // namespace quarrix::archive

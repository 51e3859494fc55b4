#include "common/Cp1252Text.h"

namespace quarrix {
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

std::u16string Cp1252ToWide(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    wide.push_back(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<char16_t>(byte));
  }
  return wide;
}

std::string WideToCp1252(std::u16string_view text) {
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

// The pairs outside Latin-1's own letters: Š š, Œ œ, Ž ž (0x8A/0x9A, 0x8C/0x9C, 0x8E/0x9E) and
// Ÿ ÿ (0x9F/0xFF). Latin-1's letters pair 0xC0-0xDE with 0xE0-0xFE, the signs × ÷ excepted.
char Cp1252Upper(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<char>(b - 0x10);
  if (b == 0xFF) return static_cast<char>(0x9F);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
  return c;
}

char Cp1252Lower(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 0x10);
  if (b == 0x9F) return static_cast<char>(0xFF);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 0x20);
  return c;
}

std::string Cp1252Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Cp1252Upper(c);
  return out;
}

std::string Cp1252Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Cp1252Lower(c);
  return out;
}

}  // namespace quarrix

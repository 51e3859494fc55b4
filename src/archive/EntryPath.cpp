#include "archive/EntryPath.h"

#include <array>

namespace quarrix::archive {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsForbiddenCharacter(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '/' || c == '|' || c == '?' || c == '*';
}

bool IsDeviceName(std::string_view segment) {
  std::string_view base = segment.substr(0, segment.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper;
  for (char c : base) upper.push_back(Upper(c));
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (auto name : kPlain) {
    if (upper == name) return true;
  }
  if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
  // Windows also reserves the superscript digits one to three (bytes B9, B2, B3 in cp1252).
  const unsigned char digit = static_cast<unsigned char>(upper[3]);
  return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

bool IsSafeSegment(std::string_view segment) {
  if (segment.empty() || segment == "." || segment == "..") return false;
  for (char c : segment) {
    if (IsForbiddenCharacter(static_cast<unsigned char>(c))) return false;
  }
  if (segment.back() == '.' || segment.back() == ' ') return false;
  return !IsDeviceName(segment);
}

}  // namespace

std::string ToEntryPath(const std::u16string& name, const CodePage& codePage) {
  std::u16string separated = name;
  for (auto& c : separated) {
    if (c == u'/') c = u'\\';
  }
  return codePage.FromWide(separated);
}

bool IsSafeEntryPath(std::string_view path) {
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    if (!IsSafeSegment(path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start))) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

}  // namespace quarrix::archive

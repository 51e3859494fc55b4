#include "common/AnsiText.h"

namespace quarrix {

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToUpperAscii(c);
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLowerAscii(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // Names are mostly looked up in the spelling they were stored in: one block compare then.
  if (a == b) return true;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  return true;
}

bool ContainsIgnoreCase(std::string_view text, std::string_view part) {
  if (part.empty()) return false;
  if (part.size() > text.size()) return false;
  for (size_t i = 0; i + part.size() <= text.size(); ++i)
    if (EqualsIgnoreCase(text.substr(i, part.size()), part)) return true;
  return false;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(pattern, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(replacement);
    pos = hit + pattern.size();
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace quarrix

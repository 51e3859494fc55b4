#pragma once
// Byte-string helpers for script data in the ANSI code page. Case folding touches A to Z only.
#include <string>
#include <string_view>
#include <vector>

namespace quarrix {

using StringList = std::vector<std::string>;

inline char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool ContainsIgnoreCase(std::string_view text, std::string_view part);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
// Every occurrence, left to right, not overlapping; an empty pattern changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);

}  // namespace quarrix

#include "common/IntegerSyntax.h"

namespace quarrix {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hex is read as a 32-bit pattern: up to FFFFFFFF is accepted and "$FFFFFFFF" is -1, which is
// how scripts written for the engine's 32-bit integer conversion already spell negative masks.
std::optional<uint32_t> ParseHexPattern(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    int digit = HexDigitValue(c);
    if (digit < 0 || value > 0x0FFFFFFFu) return std::nullopt;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return value;
}

// Magnitude of a decimal number, up to 2^31 so that the most negative value fits after the sign.
std::optional<uint32_t> ParseDecimalMagnitude(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr uint32_t kLimit = 0x80000000u;
  uint32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    auto digit = static_cast<uint32_t>(c - '0');
    if (value > (kLimit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

// Only spaces count as leading blanks (not tabs), as in the engine's classic conversion.
std::optional<int32_t> ParseScriptInteger(std::string_view text) {
  size_t pos = text.find_first_not_of(' ');
  if (pos == std::string_view::npos) return std::nullopt;
  bool negative = false;
  if (text[pos] == '+' || text[pos] == '-') {
    negative = text[pos] == '-';
    ++pos;
  }
  std::string_view rest = text.substr(pos);
  size_t hexPrefixLength = 0;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) hexPrefixLength = 1;
  else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) hexPrefixLength = 2;

  if (hexPrefixLength > 0) {
    std::optional<uint32_t> pattern = ParseHexPattern(rest.substr(hexPrefixLength));
    if (!pattern) return std::nullopt;
    uint32_t bits = negative ? 0u - *pattern : *pattern;
    return static_cast<int32_t>(bits);
  }
  std::optional<uint32_t> magnitude = ParseDecimalMagnitude(rest);
  if (!magnitude) return std::nullopt;
  if (!negative && *magnitude > 0x7FFFFFFFu) return std::nullopt;
  uint32_t bits = negative ? 0u - *magnitude : *magnitude;
  return static_cast<int32_t>(bits);
}

}  // namespace quarrix

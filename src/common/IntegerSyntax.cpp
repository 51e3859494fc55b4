#include "common/IntegerSyntax.h"

#include <stdexcept>
#include <string>

namespace quarrix {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hex is read as a bit pattern of the full width: up to FFFFFFFF is accepted for 32 bits and
// "$FFFFFFFF" is -1, which is how scripts written for the engine's 32-bit integer conversion
// already spell negative masks.
template <typename Unsigned>
std::optional<Unsigned> ParseHexPattern(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr Unsigned kTopNibbleFree = static_cast<Unsigned>(~Unsigned{0}) >> 4;
  Unsigned value = 0;
  for (char c : digits) {
    int digit = HexDigitValue(c);
    if (digit < 0 || value > kTopNibbleFree) return std::nullopt;
    value = static_cast<Unsigned>((value << 4) | static_cast<Unsigned>(digit));
  }
  return value;
}

// Magnitude of a decimal number, up to 2^(bits-1) so that the most negative value fits after
// the sign.
template <typename Unsigned>
std::optional<Unsigned> ParseDecimalMagnitude(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr Unsigned kLimit = static_cast<Unsigned>(Unsigned{1} << (sizeof(Unsigned) * 8 - 1));
  Unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    auto digit = static_cast<Unsigned>(c - '0');
    if (value > (kLimit - digit) / 10) return std::nullopt;
    value = static_cast<Unsigned>(value * 10 + digit);
  }
  return value;
}

// Only spaces count as leading blanks (not tabs), as in the engine's classic conversion.
template <typename Signed, typename Unsigned>
std::optional<Signed> ParseInteger(std::string_view text) {
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
    std::optional<Unsigned> pattern = ParseHexPattern<Unsigned>(rest.substr(hexPrefixLength));
    if (!pattern) return std::nullopt;
    Unsigned bits = negative ? static_cast<Unsigned>(Unsigned{0} - *pattern) : *pattern;
    return static_cast<Signed>(bits);
  }
  std::optional<Unsigned> magnitude = ParseDecimalMagnitude<Unsigned>(rest);
  if (!magnitude) return std::nullopt;
  constexpr Unsigned kMaxPositive = static_cast<Unsigned>(~Unsigned{0}) >> 1;
  if (!negative && *magnitude > kMaxPositive) return std::nullopt;
  Unsigned bits = negative ? static_cast<Unsigned>(Unsigned{0} - *magnitude) : *magnitude;
  return static_cast<Signed>(bits);
}

}  // namespace

std::optional<int32_t> ParseScriptInteger(std::string_view text) { return ParseInteger<int32_t, uint32_t>(text); }

std::optional<int64_t> ParseScriptInteger64(std::string_view text) { return ParseInteger<int64_t, uint64_t>(text); }

int32_t RequireScriptInteger(std::string_view text) {
  const std::optional<int32_t> value = ParseScriptInteger(text);
  if (!value) throw std::runtime_error("'" + std::string(text) + "' is not a valid integer value");
  return *value;
}

}  // namespace quarrix

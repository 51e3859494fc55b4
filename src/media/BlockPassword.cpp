#include "media/BlockPassword.h"

#include <optional>

namespace quarrix {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> StoredFor(const StringList& pairs, std::string_view name) {
  for (size_t i = 0; i + 1 < pairs.size(); i += 2)
    if (EqualsIgnoreCase(pairs[i], name)) return pairs[i + 1];
  return std::nullopt;
}

}  // namespace

std::string UnscrambleBlockPassword(std::string_view stored) {
  std::string plain(stored);
  for (size_t i = 0; i < plain.size(); ++i)
    plain[i] = static_cast<char>(static_cast<unsigned char>(plain[i]) ^ (i % 256));
  std::string password;
  for (size_t i = 0; i + 1 < plain.size(); i += 2) {
    const int high = HexDigit(plain[i + 1]);
    const int low = HexDigit(plain[i]);
    if (high < 0 || low < 0) continue;
    password += static_cast<char>(high * 16 + low);
  }
  return password;
}

std::string ScrambleBlockPassword(std::string_view password) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : password) {
    hex += kDigits[c & 15];
    hex += kDigits[c >> 4];
  }
  for (size_t i = 0; i < hex.size(); ++i) hex[i] = static_cast<char>(static_cast<unsigned char>(hex[i]) ^ (i % 256));
  return hex;
}

std::string BlockPassword(const StringList& webMediaPasswords, std::string_view blockName) {
  std::optional<std::string> stored = StoredFor(webMediaPasswords, blockName);
  if (!stored) stored = StoredFor(webMediaPasswords, "offline");
  return stored ? UnscrambleBlockPassword(*stored) : std::string();
}

}  // namespace quarrix

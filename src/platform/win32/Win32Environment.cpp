#include "platform/win32/Win32Environment.h"

#include <cstring>

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {

std::string Win32Environment::ExpandReferences(const std::string& text, size_t capacity) {
  if (capacity == 0) return {};
  std::string buffer(capacity, '\0');
  const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(capacity));
  // The count includes the terminator; a result that does not fit leaves the buffer undefined.
  if (needed == 0 || needed > capacity) return {};
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

std::vector<std::string> Win32Environment::Entries() {
  std::vector<std::string> entries;
  char* block = GetEnvironmentStringsA();
  if (block == nullptr) return entries;
  for (const char* entry = block; *entry != '\0'; entry += std::strlen(entry) + 1) entries.emplace_back(entry);
  FreeEnvironmentStringsA(block);
  return entries;
}

}  // namespace quarrix::platform::win32

#include "platform/win32/Win32IniFiles.h"

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {

std::string Win32IniFiles::ReadEntry(const std::string& file, const std::string& section, const std::string& key,
                                     size_t capacity) {
  if (capacity == 0) return {};
  std::string buffer(capacity, '\0');
  const DWORD copied = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                                static_cast<DWORD>(capacity), file.c_str());
  buffer.resize(copied < capacity ? copied : capacity - 1);
  return buffer;
}

}  // namespace quarrix::platform::win32

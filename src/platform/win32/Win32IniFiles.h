#pragma once
// INI entries through GetPrivateProfileStringA.
#include "platform/IniFiles.h"

namespace quarrix::platform::win32 {

class Win32IniFiles : public IniFiles {
 public:
  std::string ReadEntry(const std::string& file, const std::string& section, const std::string& key,
                        size_t capacity) override;
};

}  // namespace quarrix::platform::win32

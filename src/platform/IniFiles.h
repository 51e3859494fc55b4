#pragma once
// Reading entries of INI files by the system's rules.
#include <cstddef>
#include <string>

namespace quarrix::platform {

class IniFiles {
 public:
  virtual ~IniFiles() = default;

  // The value of key in section of file, as GetPrivateProfileString gives it: names compare
  // without regard to case, blanks around the value and one pair of enclosing quotes are dropped,
  // a file named without a folder lies in the Windows folder. A missing file, section or key gives
  // the empty text; a value longer than capacity - 1 bytes is cut there.
  virtual std::string ReadEntry(const std::string& file, const std::string& section, const std::string& key,
                                size_t capacity) = 0;
};

}  // namespace quarrix::platform

#include "platform/sim/SimEnvironment.h"

#include <optional>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix::platform::sim {
namespace {

std::optional<std::string_view> Lookup(const std::vector<std::string>& entries, std::string_view name) {
  if (name.empty()) return std::nullopt;
  for (const std::string& entry : entries) {
    // A hidden entry's name begins with its "=": look for the separator after it.
    const size_t equals = entry.find('=', 1);
    if (equals != std::string::npos && EqualsIgnoreCase(std::string_view(entry).substr(0, equals), name))
      return std::string_view(entry).substr(equals + 1);
  }
  return std::nullopt;
}

}  // namespace

SimEnvironment::SimEnvironment()
    : entries{
          "=C:=C:\\",
          "ALLUSERSPROFILE=C:\\ProgramData",
          "APPDATA=C:\\Users\\User\\AppData\\Roaming",
          "CommonProgramFiles=C:\\Program Files (x86)\\Common Files",
          "COMPUTERNAME=SIMULATED",
          "ComSpec=C:\\Windows\\system32\\cmd.exe",
          "LOCALAPPDATA=C:\\Users\\User\\AppData\\Local",
          "OS=Windows_NT",
          "Path=C:\\Windows\\system32;C:\\Windows",
          "PATHEXT=.COM;.EXE;.BAT;.CMD",
          "ProgramData=C:\\ProgramData",
          "ProgramFiles=C:\\Program Files (x86)",
          "SystemDrive=C:",
          "SystemRoot=C:\\Windows",
          "TEMP=C:\\Users\\User\\AppData\\Local\\Temp",
          "TMP=C:\\Users\\User\\AppData\\Local\\Temp",
          "USERNAME=User",
          "USERPROFILE=C:\\Users\\User",
          "windir=C:\\Windows",
      } {}

std::string SimEnvironment::ExpandReferences(const std::string& text, size_t capacity) {
  std::string out;
  for (size_t pos = 0; pos < text.size();) {
    const size_t open = text.find('%', pos);
    if (open == std::string::npos) {
      out.append(text, pos);
      break;
    }
    out.append(text, pos, open - pos);
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) {  // an unfinished reference stays as written
      out.append(text, open);
      break;
    }
    if (auto value = Lookup(entries, std::string_view(text).substr(open + 1, close - open - 1)))
      out += *value;
    else
      out.append(text, open, close - open + 1);
    pos = close + 1;
  }
  return out.size() < capacity ? out : std::string();
}

}  // namespace quarrix::platform::sim

#pragma once
// What the script's platform mode ("Win32", "x64" or "ia64") selects on the machine.
#include <string_view>

#include "platform/Registry.h"

namespace quarrix {

inline bool IsWin32Mode(std::string_view platformMode) { return platformMode == "Win32"; }

// Registry commands name their view explicitly, so that every build of the engine reads what the
// 32-bit engine reads in "Win32" mode and the 64-bit registry in the other modes. On 32-bit
// Windows the system ignores the view.
inline platform::RegistryView RegistryViewForMode(std::string_view platformMode) {
  return IsWin32Mode(platformMode) ? platform::RegistryView::Force32 : platform::RegistryView::Force64;
}

}  // namespace quarrix

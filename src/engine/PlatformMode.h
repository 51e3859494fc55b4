#pragma once
// What the script's platform mode ("Win32", "x64" or "ia64") selects on the machine; the
// registry view and redirection that follow from it are in engine/Wow64Switches.h.
#include <string_view>

namespace quarrix {

inline bool IsWin32Mode(std::string_view platformMode) { return platformMode == "Win32"; }

}  // namespace quarrix

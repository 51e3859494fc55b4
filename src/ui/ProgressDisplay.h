#pragma once
// The progress a worker or the script reports, shown in the dialog on the screen: progress bars,
// gauges, the status text and the taskbar button.
#include <cstdint>
#include <string>

#include "ui/DialogScope.h"

namespace quarrix::ui {

// The text that makes the display read the worker handshake variables instead of its arguments.
inline constexpr const char* kProgressFromHandshake = "$VELD$";

// The taskbar button's state for a PROGRESSMODE value (compared exactly).
platform::TaskbarState TaskbarStateOf(const std::string& mode);

// Returns whether the user cancelled; copyCancel hands that on to the worker.
bool UpdateProgressDisplay(const DialogScope& scope, std::string text, bool copyCancel, int64_t minimum,
                           int64_t maximum, int64_t position);

}  // namespace quarrix::ui

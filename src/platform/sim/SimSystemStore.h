#pragma once
// The simulated system's answers as "key = value" lines, one fact a line, so that a machine
// folder can describe the Windows a run meets. Keys that a text leaves out keep their value.
#include <string>

#include "platform/sim/SimSystemInfo.h"

namespace quarrix::platform::sim {

std::string SystemText(const SimSystemInfo& system);
// Throws std::runtime_error naming the line of an unknown key or a malformed value.
void LoadSystemText(SimSystemInfo& system, const std::string& text);

}  // namespace quarrix::platform::sim

#pragma once
// What this Windows machine offers an extraction: its processors and the memory the process
// can still get, physical and (for a 32-bit process) address space.
#include "archive/DecodeWorkers.h"

namespace quarrix::archive::zvk {

DecodeResources SystemDecodeResources();

}  // namespace quarrix::archive::zvk

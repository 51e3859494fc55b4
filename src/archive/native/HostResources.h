#pragma once
// What this host offers an extraction: its threads and its available memory.
#include "archive/DecodeWorkers.h"

namespace quarrix::archive {

DecodeResources HostDecodeResources();

}  // namespace quarrix::archive

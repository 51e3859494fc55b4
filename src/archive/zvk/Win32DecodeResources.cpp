#include "archive/zvk/Win32DecodeResources.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <thread>

namespace quarrix::archive::zvk {

DecodeResources SystemDecodeResources() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  const uint64_t available =
      GlobalMemoryStatusEx(&status) ? std::min<uint64_t>(status.ullAvailPhys, status.ullAvailVirtual) : 0;
  return ResourcesOfHost(std::thread::hardware_concurrency(), available);
}

}  // namespace quarrix::archive::zvk

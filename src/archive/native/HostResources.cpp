#include "archive/native/HostResources.h"

#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>

namespace quarrix::archive {
namespace {

// The kernel's estimate of what can be allocated without swapping (page cache included);
// free pages alone where it gives none.
uint64_t AvailableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  const std::string wanted = "MemAvailable:";
  for (std::string line; std::getline(meminfo, line);) {
    if (line.rfind(wanted, 0) == 0) return std::stoull(line.substr(wanted.size())) * 1024;  // in kB
  }
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

}  // namespace

DecodeResources HostDecodeResources() { return ResourcesOfHost(std::thread::hardware_concurrency(), AvailableMemory()); }

}  // namespace quarrix::archive

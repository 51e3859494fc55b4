#pragma once
// How many folders of an archive decode at once: no more than the host has threads for, the
// archive has folders with decoding work, or the host's memory holds windows for.
#include <cstdint>
#include <vector>

#include "archive/ArchiveHeader.h"

namespace quarrix::archive {

// What the host offers one extraction. The defaults decode on the calling thread alone.
struct DecodeResources {
  unsigned threads = 1;
  uint64_t memoryBytes = 0;  // what the windows of all workers may hold together
};

// The host's share for an extraction: its hardware threads (0 when unknown) and half of the
// memory it has free, leaving the rest to the system, the file cache and the caller.
DecodeResources ResourcesOfHost(unsigned hardwareThreads, uint64_t availableMemoryBytes);

// Besides its window, a worker holds input buffers, a filter's block and a chunk in flight.
inline constexpr uint64_t kWorkerOverheadBytes = uint64_t{4} << 20;

// At least 1: one worker is what any extraction needs, whatever the budget.
unsigned DecodeWorkerCount(const DecodeResources& resources, const std::vector<const Folder*>& folders);

}  // namespace quarrix::archive

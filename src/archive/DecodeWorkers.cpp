#include "archive/DecodeWorkers.h"

#include <algorithm>

#include "archive/FolderDecoder.h"

namespace quarrix::archive {

DecodeResources ResourcesOfHost(unsigned hardwareThreads, uint64_t availableMemoryBytes) {
  return {std::max(hardwareThreads, 1u), availableMemoryBytes / 2};
}

unsigned DecodeWorkerCount(const DecodeResources& resources, const std::vector<const Folder*>& folders) {
  uint64_t largest = 0;
  uint64_t withWork = 0;
  for (const Folder* folder : folders) {
    largest = std::max(largest, FolderWindowBytes(*folder));
    withWork += FolderHasDecodingWork(*folder) ? 1 : 0;
  }
  // Any worker may meet the largest folder, so each is budgeted for it.
  const uint64_t affordable = resources.memoryBytes / (largest + kWorkerOverheadBytes);
  const uint64_t wanted = std::min<uint64_t>(resources.threads, withWork);
  return static_cast<unsigned>(std::max<uint64_t>(1, std::min(wanted, affordable)));
}

}  // namespace quarrix::archive

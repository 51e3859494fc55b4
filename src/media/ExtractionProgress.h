#pragma once
// The progress line both extraction workers show while the library reports bytes.
#include <cstdint>
#include <string>

namespace quarrix {

// done * 100 / total + 1, at most 100. A total of 0 counts as complete: 100.
int ExtractionPercent(uint64_t done, uint64_t total);

// prefix, the entry's file name without folders, ", ", the percentage and the "% complete" text.
std::string ExtractionProgressText(const std::string& prefix, const std::string& entryPath, int percent,
                                   const std::string& completeText);

}  // namespace quarrix

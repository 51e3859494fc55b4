#pragma once
// The progress line of a download: bytes received with thousands separators, the message
// table's "bytes received" and, with a known total, the percentage.
#include <cstdint>
#include <string>

namespace quarrix {

// 1234567 -> "1,234,567".
std::string GroupedDecimal(uint64_t value);

// received * 100 / total + 1, at most 100; with an unknown total (0) a counter that advances by
// one per report and wraps from 100 to 0.
class DownloadPercent {
 public:
  int Next(uint64_t received, uint64_t total);

 private:
  int counter_ = 0;
};

// "<received> bytes received[, <percent>% complete]".
std::string ReceivedText(uint64_t received, uint64_t total, int percent, const std::string& bytesReceivedText,
                         const std::string& completeText);

}  // namespace quarrix

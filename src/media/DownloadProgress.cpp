#include "media/DownloadProgress.h"

namespace quarrix {

std::string GroupedDecimal(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

int DownloadPercent::Next(uint64_t received, uint64_t total) {
  if (total == 0) {
    counter_ = counter_ >= 100 ? 0 : counter_ + 1;
    return counter_;
  }
  const uint64_t percent = received * 100 / total + 1;
  return percent > 100 ? 100 : static_cast<int>(percent);
}

std::string ReceivedText(uint64_t received, uint64_t total, int percent, const std::string& bytesReceivedText,
                         const std::string& completeText) {
  std::string text = GroupedDecimal(received) + " " + bytesReceivedText;
  if (total != 0) text += ", " + std::to_string(percent) + completeText;
  return text;
}

}  // namespace quarrix

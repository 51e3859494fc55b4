#include "media/ExtractionProgress.h"

#include "common/WindowsPath.h"

namespace quarrix {
namespace {

// floor(done * 100 / total) for done < total, without a wider type (i686 has none): one hundred
// additions of done, each carried over total at most once, so nothing wraps.
uint64_t HundredfoldQuotient(uint64_t done, uint64_t total) {
  uint64_t quotient = 0;
  uint64_t remainder = 0;
  for (int i = 0; i < 100; ++i) {
    if (remainder >= total - done) {
      remainder -= total - done;
      ++quotient;
    } else {
      remainder += done;
    }
  }
  return quotient;
}

}  // namespace

int ExtractionPercent(uint64_t done, uint64_t total) {
  if (total == 0 || done >= total) return 100;
  const uint64_t scaled = HundredfoldQuotient(done, total);
  return scaled >= 99 ? 100 : static_cast<int>(scaled) + 1;
}

std::string ExtractionProgressText(const std::string& prefix, const std::string& entryPath, int percent,
                                   const std::string& completeText) {
  return prefix + FileNameAfterSlashOrBackslash(entryPath) + ", " + std::to_string(percent) + completeText;
}

}  // namespace quarrix

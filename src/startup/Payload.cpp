#include "startup/Payload.h"

#include <limits>

namespace quarrix {

std::string GetLineParameter(const ParameterLists& lists, std::string_view lineGuid, size_t n) {
  // An empty GUID names no line; looked up, it would match an empty parameter value instead.
  if (lineGuid.empty()) return std::string();
  for (const HashedStringList& list : lists) {
    std::ptrdiff_t found = list.IndexOf(lineGuid);
    if (found == HashedStringList::npos) continue;
    size_t index = static_cast<size_t>(found) + n;
    // A wrapped sum would land on an unrelated entry; keep it past the end instead.
    if (index < static_cast<size_t>(found)) index = std::numeric_limits<size_t>::max();
    return list.At(index);
  }
  return std::string();
}

}  // namespace quarrix

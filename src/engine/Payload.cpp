#include "engine/Payload.h"

#include <limits>

namespace quarrix {

LineParameters::LineParameters(const ParameterLists& lists, std::string_view lineGuid) {
  // An empty GUID names no line; looked up, it would match an empty parameter value instead.
  if (lineGuid.empty()) return;
  for (const HashedStringList& list : lists) {
    std::ptrdiff_t found = list.IndexOf(lineGuid);
    if (found == HashedStringList::npos) continue;
    list_ = &list;
    start_ = static_cast<size_t>(found);
    return;
  }
}

std::string LineParameters::Get(size_t n) const {
  if (!list_) return std::string();
  size_t index = start_ + n;
  // A wrapped sum would land on an unrelated entry; keep it past the end instead.
  if (index < start_) index = std::numeric_limits<size_t>::max();
  return list_->At(index);
}

std::string GetLineParameter(const ParameterLists& lists, std::string_view lineGuid, size_t n) {
  return LineParameters(lists, lineGuid).Get(n);
}

}  // namespace quarrix

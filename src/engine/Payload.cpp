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
  return std::string(list_->At(index));
}

std::vector<LineParameters> FindEachLine(const ParameterLists& lists, std::span<const std::string_view> lineGuids) {
  std::vector<LineParameters> lines(lineGuids.size());
  // Lines still unresolved, looked for in the next list.
  std::vector<size_t> pending;
  std::vector<std::string_view> keys;
  for (size_t line = 0; line < lineGuids.size(); ++line) {
    if (lineGuids[line].empty()) continue;
    pending.push_back(line);
    keys.push_back(lineGuids[line]);
  }
  std::vector<std::ptrdiff_t> found;
  for (const HashedStringList& list : lists) {
    if (pending.empty()) break;
    found.resize(keys.size());
    list.IndexOfEach(keys, found);
    size_t kept = 0;
    for (size_t i = 0; i < pending.size(); ++i) {
      if (found[i] != HashedStringList::npos) {
        lines[pending[i]] = LineParameters(list, static_cast<size_t>(found[i]));
      } else {
        pending[kept] = pending[i];
        keys[kept++] = keys[i];
      }
    }
    pending.resize(kept);
    keys.resize(kept);
  }
  return lines;
}

std::vector<LineParameters> FindEachLine(const ParameterLists& lists, const std::vector<std::string>& lineGuids) {
  const std::vector<std::string_view> views(lineGuids.begin(), lineGuids.end());
  return FindEachLine(lists, views);
}

std::string GetLineParameter(const ParameterLists& lists, std::string_view lineGuid, size_t n) {
  return LineParameters(lists, lineGuid).Get(n);
}

}  // namespace quarrix

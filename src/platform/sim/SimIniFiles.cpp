#include "platform/sim/SimIniFiles.h"

#include <optional>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix::platform::sim {
namespace {

std::string_view Trim(std::string_view text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// The first entry of key in the first section of that name that has it.
std::optional<std::string_view> FindEntry(std::string_view text, std::string_view section, std::string_view key) {
  bool inSection = false;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    const size_t close = line.rfind(']');
    if (line.front() == '[' && close != std::string_view::npos) {
      inSection = EqualsIgnoreCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (EqualsIgnoreCase(Trim(line.substr(0, equals)), key)) return Trim(line.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace

std::string SimIniFiles::ReadEntry(const std::string& file, const std::string& section, const std::string& key,
                                   size_t capacity) {
  if (capacity == 0) return {};
  const bool hasFolder = file.find_first_of("\\/:") != std::string::npos;
  const std::optional<std::string> text = files_.ReadFile(hasFolder ? file : windowsFolder + "\\" + file);
  if (!text) return {};
  std::optional<std::string_view> value = FindEntry(*text, Trim(section), Trim(key));
  if (!value) return {};
  if (value->size() >= 2 && (value->front() == '"' || value->front() == '\'') && value->back() == value->front())
    value = value->substr(1, value->size() - 2);
  return std::string(value->substr(0, capacity - 1));
}

}  // namespace quarrix::platform::sim

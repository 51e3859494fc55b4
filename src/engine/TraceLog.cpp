#include "engine/TraceLog.h"

namespace quarrix {
namespace {

std::string Utf16LeBytes(const std::u16string& wide) {
  std::string bytes;
  bytes.reserve(wide.size() * 2);
  for (char16_t unit : wide) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace

void TraceLog::WriteTrace(std::string_view text) {
  if (logPath_.empty()) return;
  if (firstTrace_) {
    // The flag stays set until a truncation succeeds: a first log path that cannot be
    // created has written nothing, so the file that is written first is still the one
    // truncated, and no file after it ever is.
    if (!files_.WriteFile(logPath_, std::string())) return;
    firstTrace_ = false;
  }
  std::string line(text);
  line += "\r\n";
  if (system_.Version().ntFamily) line = Utf16LeBytes(system_.AnsiToWide(line));
  files_.AppendFile(logPath_, line);  // a line that cannot be written is skipped
}

}  // namespace quarrix

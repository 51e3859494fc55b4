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

bool TraceLog::StartFile() {
  if (logPath_.empty()) return false;
  if (firstTrace_) {
    // The flag stays set until a truncation succeeds: a first log path that cannot be
    // created has written nothing, so the file that is written first is still the one
    // truncated, and no file after it ever is.
    if (!files_.WriteFile(logPath_, std::string())) return false;
    firstTrace_ = false;
  }
  return true;
}

void TraceLog::WriteTrace(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  WriteBlock(line);
}

void TraceLog::WriteBlock(std::string_view text) {
  if (logPath_.empty()) return;
  if (!StartFile()) return;
  std::string block(text);
  if (system_.Version().ntFamily) block = Utf16LeBytes(system_.AnsiToWide(block));
  files_.AppendFile(logPath_, block);  // a block that cannot be written is skipped
}

void TraceLog::AppendBytes(std::string_view bytes) {
  if (!StartFile()) return;
  files_.AppendFile(logPath_, std::string(bytes));
}

}  // namespace quarrix

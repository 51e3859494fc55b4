#pragma once
// The trace log: one line per call, opened and closed each time so that what was written
// survives a crash. Nothing is written while no log path is set.
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace quarrix {

class TraceLog {
 public:
  TraceLog(platform::FileSystem& files, platform::SystemInfo& system) : files_(files), system_(system) {}

  void SetLogPath(std::string path) { logPath_ = std::move(path); }
  const std::string& LogPath() const { return logPath_; }

  // Never reports an error: a file that cannot be opened is skipped for that line.
  void WriteTrace(std::string_view text);
  // Text that brings its own line ends, in the log's encoding.
  void WriteBlock(std::string_view text);
  // Bytes as they are: another writer's log taken into this one.
  void AppendBytes(std::string_view bytes);

 private:
  platform::FileSystem& files_;
  platform::SystemInfo& system_;
  bool StartFile();

  std::string logPath_;
  bool firstTrace_ = true;  // only the first file ever written in a process is truncated
};

}  // namespace quarrix

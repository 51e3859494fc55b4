#pragma once
// INI files of the simulated machine: real files on its drives, read by the system's rules.
#include <string>

#include "platform/FileSystem.h"
#include "platform/IniFiles.h"

namespace quarrix::platform::sim {

class SimIniFiles : public IniFiles {
 public:
  explicit SimIniFiles(FileSystem& files) : files_(files) {}

  std::string windowsFolder = "C:\\Windows";

  std::string ReadEntry(const std::string& file, const std::string& section, const std::string& key,
                        size_t capacity) override;

 private:
  FileSystem& files_;
};

}  // namespace quarrix::platform::sim

#pragma once
// A simulated machine on a fresh host folder that is removed with the object.
#include <filesystem>
#include <random>
#include <string>

#include "platform/sim/SimMachine.h"

namespace quarrix::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("quarrix-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Each test gets its own machine: C:\ with the user's temporary folder already present.
struct TempMachine {
  TempFolder folder;
  platform::sim::SimMachine machine{folder.Path()};
  TempMachine() { machine.files.CreateDirectories(machine.system.tempPath); }
};

}  // namespace quarrix::testing

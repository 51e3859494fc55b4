#pragma once
// A whole simulated Windows machine: its drives on a host folder, registry, system answers,
// a headless user interface and an archive library, bundled as a Platform.
#include <filesystem>

#include "platform/Platform.h"
#include "platform/sim/SimArchiveLibrary.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystemInfo.h"
#include "platform/sim/SimUserInterface.h"

namespace quarrix::platform::sim {

class SimMachine {
 public:
  explicit SimMachine(const std::filesystem::path& hostRoot)
      : files(hostRoot), archive(files) {}

  SimFileSystem files;
  SimRegistry registry;
  SimSystemInfo system;
  SimUserInterface ui;
  SimArchiveLibrary archive;

  Platform AsPlatform() { return Platform{files, registry, system, ui, archive}; }
};

}  // namespace quarrix::platform::sim

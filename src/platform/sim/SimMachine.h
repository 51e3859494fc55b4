#pragma once
// A whole simulated Windows machine: its drives on a host folder, registry, system answers,
// a headless user interface and an archive library, bundled as a Platform.
#include <filesystem>

#include "platform/Platform.h"
#include "platform/sim/SimArchiveLibrary.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimInstaller.h"
#include "platform/sim/SimProcesses.h"
#include "platform/sim/SimServices.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystemInfo.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimUserInterface.h"

namespace quarrix::platform::sim {

class SimMachine {
 public:
  explicit SimMachine(const std::filesystem::path& hostRoot)
      : files(hostRoot), archive(files) {
    // What every Windows installation carries and the engine reads for its default folders.
    const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    registry.WriteValue(RegistryRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir",
                        RegistryValue::Text("C:\\Program Files (x86)"), RegistryView::Force32);
    registry.WriteValue(RegistryRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir",
                        RegistryValue::Text("C:\\Program Files"), RegistryView::Force64);
  }

  SimFileSystem files;
  SimRegistry registry;
  SimSystemInfo system;
  SimUserInterface ui;
  SimArchiveLibrary archive;
  SimClock clock{system};
  SimThreads threads{clock};
  SimInstaller installer{files, registry};
  SimProcesses processes{files};
  SimServices services;
  SimTasks tasks{clock};

  Platform AsPlatform() { return Platform{files, registry, system, ui, archive, clock, threads, installer, processes, services, tasks}; }
};

}  // namespace quarrix::platform::sim

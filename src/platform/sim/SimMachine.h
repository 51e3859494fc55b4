#pragma once
// A whole simulated Windows machine: its drives on a host folder, registry, system answers,
// a headless user interface and an archive library, bundled as a Platform.
#include <filesystem>
#include <string>

#include "platform/Platform.h"
#include "platform/sim/SimArchiveLibrary.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimEnvironment.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimIniFiles.h"
#include "platform/sim/SimInstaller.h"
#include "platform/sim/SimProcesses.h"
#include "platform/sim/SimServices.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystemInfo.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimUserInterface.h"
#include "platform/sim/SimToolkit.h"

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
    registry.WriteValue(RegistryRoot::LocalMachine, kCurrentVersion, "CommonFilesDir",
                        RegistryValue::Text("C:\\Program Files (x86)\\Common Files"), RegistryView::Force32);
    registry.WriteValue(RegistryRoot::LocalMachine, kCurrentVersion, "CommonFilesDir",
                        RegistryValue::Text("C:\\Program Files\\Common Files"), RegistryView::Force64);
    for (RegistryView view : {RegistryView::Force32, RegistryView::Force64})
      registry.WriteValue(RegistryRoot::LocalMachine, std::string(kCurrentVersion) + "\\Setup", "BootDir",
                          RegistryValue::Text("C:\\"), view);
    registry.WriteValue(RegistryRoot::CurrentUser, std::string(kCurrentVersion) + "\\Explorer\\Shell Folders",
                        "AppData", RegistryValue::Text("C:\\Users\\User\\AppData\\Roaming"), RegistryView::Default);
    // One message queue: the main thread's waits also run the windows' timers.
    threads.onMessages = [this] { toolkit.FireDueTimers(); };
  }

  SimFileSystem files;
  SimRegistry registry;
  SimSystemInfo system;
  SimUserInterface ui;
  SimArchiveLibrary archive;
  SimClock clock{system};
  SimThreads threads{clock};
  SimInstaller installer{files, registry};
  SimIniFiles ini{files};
  SimEnvironment environment;
  SimProcesses processes{files};
  SimServices services;
  SimTasks tasks{clock};
  SimToolkit toolkit{files, clock, system, ui};

  Platform AsPlatform() {
    return Platform{files, registry, system,      ui,        archive,  clock, threads,
                    installer, ini, environment, processes, services, tasks, toolkit};
  }
};

}  // namespace quarrix::platform::sim

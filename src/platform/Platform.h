#pragma once
// Everything portable logic may ask of the machine, handed around as one bundle.
#include "platform/ArchiveLibrary.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/IniFiles.h"
#include "platform/Installer.h"
#include "platform/Internet.h"
#include "platform/PluginLibraries.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/ScheduledTasks.h"
#include "platform/Services.h"
#include "platform/SystemInfo.h"
#include "platform/Threads.h"
#include "platform/UserInterface.h"
#include "platform/Toolkit.h"

namespace quarrix::platform {

struct Platform {
  FileSystem& files;
  Registry& registry;
  SystemInfo& system;
  UserInterface& ui;
  ArchiveLibrary& archive;
  Clock& clock;
  Threads& threads;
  Installer& installer;
  IniFiles& ini;
  Environment& environment;
  Processes& processes;
  Services& services;
  ScheduledTasks& tasks;
  Internet& internet;
  PluginLibraries& plugins;
  Toolkit& toolkit;
};

}  // namespace quarrix::platform

#pragma once
// One run of the script inside the process: what the preparation pass, the commands and the
// end of the run share, apart from the process-wide state of the Session.
#include <cstdint>
#include <string>

#include "common/AnsiText.h"
#include "engine/ComponentTable.h"
#include "engine/PackageEdits.h"
#include "engine/WebMediaState.h"

namespace quarrix {

class CommandCatalogue;
class InstanceCache;

struct Run {
  StringList skipMarks;       // one per line, rebuilt by the preparation pass
  ComponentTable components;  // the script's setup components
  PackageEdits packageEdits;  // installer properties and identity changes for the package
  // Installer property names and values, alternating, that this run switched on: saved with the
  // instance (".par") so that maintenance runs know them.
  StringList actionList;
  std::string platformMode = "Win32";  // "Win32", "x64" or "ia64"; saved with the instance
  // The package beside the executable that the run installs, and the product code as the run
  // began: a folder holding a file of that name holds the setup's sources.
  std::string packagePath;
  std::string productCodeAtStart;
  // The single-instance marker this run created; empty when none.
  std::string singleInstanceMarker;
  // The text file "Read from Text File" keeps open between lines, as its parameter wrote it, and
  // where its next read starts; an empty path while none is open.
  std::string textReaderPath;
  uint64_t textReaderOffset = 0;
  // The current web media block and the download options.
  WebMediaState webMedia;

  // What the run entry was handed: the commands it dispatches to and the instance cache it keeps.
  const CommandCatalogue* commands = nullptr;
  InstanceCache* instanceCache = nullptr;

  // What the run entry forgets before each run.
  void Begin() {
    packageEdits.pinRequests.clear();
    platformMode = "Win32";
    textReaderPath.clear();
  }
};

}  // namespace quarrix

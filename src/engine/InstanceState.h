#pragma once
// What the instance bootstrap and the instance data file keep for the process: the cache state
// between the bootstrap, the per-line cache override check and the end-of-run save.
#include <string>

#include "common/AnsiText.h"

namespace quarrix {

struct InstanceState {
  std::string packagePath;  // of the run, as the bootstrap was given it
  // The value of OVERRIDECACHE the engine last relocated the cache to; empty: none accepted.
  std::string acceptedOverrideCache;
  bool startedFromCache = false;  // an "instance.dat" lay beside the executable
  bool loadOldData = false;       // an older revision is installed and the build asks for its data
  std::string sourceDataFolder;   // web-based setups: the "data\" folder beside the executable
  // Patch runs: the folder name of the installed instance the patch targets (its revision code).
  std::string patchTarget;
  StringList installedShortcuts;  // the installed instance's shortcut list (".lnk")
  std::string savedDataFolderLine;  // as the data file last read held it; used by nothing else
  // Set by the installation into the cache (full save) and by a removal (no save).
  bool fullSave = false;
  bool noSave = false;

  // What the run entry forgets before each run: the accepted cache override and both save flags.
  void BeginRun() {
    acceptedOverrideCache.clear();
    fullSave = false;
    noSave = false;
  }
};

}  // namespace quarrix

#pragma once
// The property assignments an apply hands to the installer call, and the folders and quoting
// they are built from.
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace quarrix {

// The folders of an apply as the installer is to see them: short forms where the system has
// them, and whether a value still needs double quotes.
struct InstallerFolders {
  std::string packageFolder;         // of the package, trailing backslash
  std::string dataFolder;            // trailing backslash as given
  std::string previousSourceFolder;  // patches: the installed instance's sources
  std::string mediaPath;             // parent of the data folder without its drive
  bool packageQuoted = false;  // the package folder's short form has a blank, or there is none
  bool dataQuoted = false;     // the same for the data or previous source folder
};

// The folders of an apply, with a trailing backslash, each replaced by its short form when the
// system gives one. A package that is not a patch gets its data folder created first.
InstallerFolders PrepareInstallerFolders(platform::FileSystem& files, const std::string& packagePath,
                                         const std::string& dataFolder, const std::string& previousSourceFolder);

// The parent of the folder, trailing backslash, without its drive: D:\setup\data\ gives \setup\.
std::string MediaPathOf(const std::string& dataFolder);

struct InstallerRunKind {
  bool patch = false;
  bool install = false;    // install or advertise
  bool advertise = false;  // neither install nor remove was asked for
  bool Removal() const { return !patch && !install; }
};

struct CommandLineInputs {
  InstallerRunKind kind;
  bool productInstalled = false;   // MsiQueryProductState gave INSTALLSTATE_DEFAULT
  bool advertisedMarker = false;   // the instance folder holds "__ad"
  bool ntPlatform = true;
  // Variables, exactly as stored: only "TRUE" switches them on.
  std::string allUsers;               // ALLUSERS
  std::string disableRollback;        // VELD_DISABLE_ROLLBACK
  std::string disableRestartManager;  // VELD_DISABLE_VISTA_RESTART_MANAGER
  std::string installLocation;        // NormalizePath of TARGETDIR
  InstallerFolders folders;
};

// Every item ends with one blank.
std::string BuildInstallerCommandLine(const CommandLineInputs& inputs);

// The data folder and package folder as one list, quoted as a whole when either needs it.
std::string SourceList(const InstallerFolders& folders);

// The properties a removal on Windows 9x sets on the opened package instead of a command line,
// in the order they are set.
std::vector<std::pair<std::string, std::string>> Windows9xRemovalProperties(const CommandLineInputs& inputs);

}  // namespace quarrix

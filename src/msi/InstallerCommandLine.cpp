#include "msi/InstallerCommandLine.h"

#include "common/AnsiText.h"
#include "common/WindowsPath.h"

namespace quarrix {
namespace {

// The short form of an existing folder; a failure or a blank left in it asks for quotes.
std::string ShortFolder(platform::FileSystem& files, const std::string& folder, bool& quoted) {
  auto shortForm = files.ShortPathName(folder);
  if (!shortForm) {
    quoted = true;
    return folder;
  }
  std::string result = WithTrailingBackslash(*shortForm);
  if (result.find(' ') != std::string::npos) quoted = true;
  return result;
}

std::string Quoted(const std::string& value, bool quote) { return quote ? "\"" + value + "\"" : value; }

std::string AllUsersItem(const CommandLineInputs& inputs) {
  return inputs.allUsers == "TRUE" ? "ALLUSERS=1 " : "ALLUSERS=\"\" ";
}

}  // namespace

std::string MediaPathOf(const std::string& dataFolder) {
  std::string trimmed = dataFolder;
  while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  std::string parent = FolderUpToBackslash(trimmed);
  if (parent.empty()) return parent;
  // The drive: "X:" or the "\\server\share" of a UNC path.
  size_t driveEnd = 0;
  if (parent.size() >= 2 && parent[1] == ':') {
    driveEnd = 2;
  } else if (StartsWith(parent, "\\\\")) {
    const size_t server = parent.find('\\', 2);
    const size_t share = server == std::string::npos ? std::string::npos : parent.find('\\', server + 1);
    driveEnd = share == std::string::npos ? parent.size() : share;
  }
  return WithTrailingBackslash(parent.substr(driveEnd));
}

InstallerFolders PrepareInstallerFolders(platform::FileSystem& files, const std::string& packagePath,
                                         const std::string& dataFolder, const std::string& previousSourceFolder) {
  InstallerFolders folders;
  folders.packageFolder = ShortFolder(files, FolderUpToBackslash(packagePath), folders.packageQuoted);
  folders.dataFolder = dataFolder;
  folders.previousSourceFolder = previousSourceFolder;
  if (!EndsWith(ToLowerAscii(packagePath), ".msp")) {
    files.CreateDirectories(dataFolder);
  } else if (files.DirectoryExists(previousSourceFolder)) {
    folders.previousSourceFolder = ShortFolder(files, previousSourceFolder, folders.dataQuoted);
  }
  if (files.DirectoryExists(dataFolder)) folders.dataFolder = ShortFolder(files, dataFolder, folders.dataQuoted);
  folders.mediaPath = MediaPathOf(folders.dataFolder);
  return folders;
}

std::string SourceList(const InstallerFolders& folders) {
  return Quoted(folders.dataFolder + ";" + folders.packageFolder, folders.dataQuoted || folders.packageQuoted);
}

std::string BuildInstallerCommandLine(const CommandLineInputs& inputs) {
  const InstallerRunKind& kind = inputs.kind;
  const InstallerFolders& folders = inputs.folders;
  std::string first;
  if (kind.patch) {
    first = "ADDLOCAL=ALL ";
  } else if (kind.install && inputs.productInstalled) {
    // An advertised instance is completed rather than repaired.
    first = kind.advertise || !inputs.advertisedMarker ? "REINSTALL=ALL REINSTALLMODE=vomus "
                                                        : "ADDLOCAL=ALL ADVERTISE=\"\" ";
  } else if (kind.advertise) {
    first = "ADVERTISE=ALL ";
  } else if (kind.install) {
    first = "ADDLOCAL=ALL ";
  } else {
    first = "REMOVE=ALL ";
  }

  std::string line = first + AllUsersItem(inputs);
  if (inputs.disableRollback == "TRUE") line += "DISABLEROLLBACK=1 ";
  if (inputs.disableRestartManager == "TRUE") line += "MSIRESTARTMANAGERCONTROL=Disable ";
  if (kind.install) {
    line += "ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 ARPINSTALLLOCATION=\"" +
            inputs.installLocation + "\" ";
  }
  if (kind.Removal() && inputs.ntPlatform) line += AllUsersItem(inputs) + "REMOVE=ALL ";
  if (kind.patch) {
    line += "SRCDIR=" + Quoted(folders.previousSourceFolder, folders.dataQuoted) + " ";
    line += "SRCDIREX=" + Quoted(folders.previousSourceFolder, folders.dataQuoted) + " ";
  } else {
    line += "SRCDIR=" + Quoted(folders.dataFolder, folders.dataQuoted) + " ";
    line += "SOURCELIST=" + SourceList(folders) + " ";
    line += "MEDIAPACKAGEPATH=" + Quoted(folders.mediaPath, folders.dataQuoted) + " ";
    line += "REBOOT=R ";
  }
  return line;
}

std::vector<std::pair<std::string, std::string>> Windows9xRemovalProperties(const CommandLineInputs& inputs) {
  const InstallerFolders& folders = inputs.folders;
  return {
      {"ALLUSERS", inputs.allUsers == "TRUE" ? "1" : ""},
      {"REMOVE", "ALL"},
      {"SRCDIR", Quoted(folders.dataFolder, folders.dataQuoted)},
      {"SOURCELIST", SourceList(folders)},
      {"MEDIAPACKAGEPATH", Quoted(folders.mediaPath, folders.dataQuoted)},
      {"REBOOT", "R"},
  };
}

}  // namespace quarrix

#include "instance/InstanceBootstrap.h"

#include "common/WindowsPath.h"
#include "engine/PredefinedVariables.h"
#include "engine/ScriptRun.h"
#include "instance/CacheRoot.h"
#include "instance/InstanceData.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

constexpr std::string_view kBootstrapContext = "Bootstrap";
constexpr const char* kOverrideFileName = "instance.dat";

void LoadListIfPresent(platform::FileSystem& files, const std::string& path, StringList& list) {
  if (files.FileExists(path)) list = ReadTextLines(files, path);
}

// Product code, revision code and title of the instance this copy of the setup belongs to.
void ApplyOverrideFile(Session& session) {
  const std::string path = session.executableFolder + kOverrideFileName;
  session.instance.startedFromCache = session.platform.files.FileExists(path);
  if (!session.instance.startedFromCache) return;
  const StringList lines = ReadTextLines(session.platform.files, path);
  if (lines.size() > 0) session.payload.productCode = lines[0];
  if (lines.size() > 1) session.payload.revisionCode = lines[1];
  if (lines.size() > 2) session.workingTitle = lines[2];
}

void SetBootstrapVariable(Session& session, std::string_view name, std::string_view value) {
  session.variables.SetVariable(name, value, kBootstrapContext);
}

bool InstalledPackageDiffers(Session& session) {
  platform::Installer& installer = session.platform.installer;
  const std::string& productCode = session.payload.productCode;
  if (installer.QueryProductState(productCode) != platform::kInstallStateDefault) return false;
  auto packageCode = installer.GetProductInfo(productCode, "PackageCode");
  if (!packageCode) return false;
  return ToLowerAscii(*packageCode) != ToLowerAscii(session.payload.revisionCode);
}

struct OldInstanceFiles {
  std::string dataFile;
  std::string shortcutFile;
};

bool HasCompanions(platform::FileSystem& files, const std::string& base) {
  for (const char* extension : {".exe", ".res", ".msi", ".par"})
    if (!files.FileExists(base + extension)) return false;
  return true;
}

// The data file of the instance the registry records, which may be an older revision's.
OldInstanceFiles FindOldInstanceFiles(Session& session) {
  OldInstanceFiles found;
  platform::FileSystem& files = session.platform.files;
  std::string folder = RecordedInstanceFolder(session);
  if (folder.empty() || !files.DirectoryExists(folder)) return found;
  folder = WithTrailingBackslash(folder);
  StringList dataFiles;
  for (const auto& entry : files.ListDirectory(folder)) {
    if (entry.isDirectory || !EndsWith(ToLowerAscii(entry.name), ".dat")) continue;
    if (EqualsIgnoreCase(entry.name, kOverrideFileName)) continue;
    dataFiles.push_back(entry.name);
  }
  if (dataFiles.size() == 1) {
    found.dataFile = folder + dataFiles.front();
    return found;
  }
  for (const std::string& name : dataFiles) {
    const std::string base = folder + name.substr(0, name.size() - 4);
    if (!HasCompanions(files, base)) continue;
    found.dataFile = folder + name;
    if (files.FileExists(base + ".lnk")) found.shortcutFile = base + ".lnk";
    break;
  }
  return found;
}

void StartFirstRun(Session& session, const std::string& instanceFolder, const std::string& defaultTarget,
                   bool allUsersDefault) {
  session.run.components.ResetComponents();
  session.run.actionList.clear();
  SetBootstrapVariable(session, "TARGETDIR", defaultTarget);
  SetBootstrapVariable(session, "STARTMENU", session.workingTitle);
  SetBootstrapVariable(session, "ALLUSERS", BoolText(allUsersDefault));
  // State an earlier run of the same revision left behind.
  LoadInstanceData(session, instanceFolder + session.executableName + ".dat", InstanceLoad::Live);
}

void LoadOldInstance(Session& session) {
  const OldInstanceFiles old = FindOldInstanceFiles(session);
  if (session.instance.loadOldData && !old.dataFile.empty())
    LoadInstanceData(session, old.dataFile, InstanceLoad::KeepSizes);
  if (!old.shortcutFile.empty())
    LoadListIfPresent(session.platform.files, old.shortcutFile, session.instance.installedShortcuts);
}

void SetNewInstance(Session& session, bool maintenance, bool needsUpgrade) {
  TVariableManager& variables = session.variables;
  variables.SetVariable("NEWINSTANCE", "FALSE", kInitializationContext);
  if (!session.instance.startedFromCache && (maintenance || needsUpgrade))
    variables.SetVariable("NEWINSTANCE", "TRUE", kInitializationContext);
}

// Records every folder it has to make, outermost first, so that they can be removed again.
bool CreateRecordingFolders(platform::FileSystem& files, const std::string& folder, StringList& created) {
  // Nothing at or above a drive ("C:") or a share (\\server\share) is made.
  size_t start = folder.find('\\');
  if (StartsWith(folder, "\\\\")) {
    start = folder.find('\\', 2);
    if (start != std::string::npos) start = folder.find('\\', start + 1);
  }
  for (size_t slash = start; slash != std::string::npos; slash = folder.find('\\', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (prefix.empty() || prefix.back() == ':') continue;
    if (files.DirectoryExists(prefix)) continue;
    if (!files.CreateDirectories(prefix)) return false;
    created.push_back(prefix);
  }
  return files.DirectoryExists(folder);
}

}  // namespace

void LoadInstalledInstance(Session& session, const std::string& folder, const std::string& fileBase) {
  LoadInstanceData(session, folder + fileBase + ".dat", InstanceLoad::Live);
  session.run.components.installedBaseline = session.run.components.SelectedSize();
  platform::FileSystem& files = session.platform.files;
  LoadListIfPresent(files, folder + fileBase + ".lnk", session.instance.installedShortcuts);
  LoadListIfPresent(files, folder + fileBase + ".par", session.run.actionList);
}

void RunBootstrap(Session& session, const std::string& packagePath) {
  session.instance.packagePath = packagePath;
  ApplyOverrideFile(session);
  const ScriptPayload& payload = session.payload;
  SetBootstrapVariable(session, "PRODUCTCODE", payload.productCode);
  SetBootstrapVariable(session, "REVISIONCODE", payload.revisionCode);

  const std::string defaultTarget = DefaultTargetFolder(session, session.workingTitle);
  const bool allUsersDefault = AllUsersDefault(session.platform.system);
  const std::string engineCache = GetCacheRoot(session, allUsersDefault) + payload.revisionCode + "\\";
  SetBootstrapVariable(session, "ENGINECACHE", engineCache);
  SetBootstrapVariable(session, "UNINSTALLLINK", engineCache + session.executableFileName);

  session.dataFolder = session.executableFolder + "data\\";
  if (payload.buildMode == 2) {
    session.instance.sourceDataFolder = session.dataFolder;
    session.dataFolder = engineCache;
  }
  SetBootstrapVariable(session, "DATADIR", session.dataFolder);

  const bool needsUpgrade = InstalledPackageDiffers(session);
  SetBootstrapVariable(session, "NEEDSUPGRADE", BoolText(needsUpgrade));
  const bool maintenance =
      !needsUpgrade && session.platform.installer.QueryProductState(payload.productCode) == platform::kInstallStateDefault;
  SetBootstrapVariable(session, "MAINTENANCE", BoolText(maintenance));
  session.instance.loadOldData = needsUpgrade && ExpandConstants("#LOADOLDDATA#", payload.buildConstants) == "TRUE";

  session.run.components.installedBaseline = 0;
  const std::string instanceFolder = InstanceFolder(session, packagePath);
  if (maintenance)
    LoadInstalledInstance(session, instanceFolder, session.executableName);
  else
    StartFirstRun(session, instanceFolder, defaultTarget, allUsersDefault);

  LoadOldInstance(session);
  SetNewInstance(session, maintenance, needsUpgrade);
}

void RelocateCache(Session& session) {
  const std::string folder = WithTrailingBackslash(session.variables.GetVariable("OVERRIDECACHE"));
  platform::FileSystem& files = session.platform.files;
  StringList created;
  if (!CreateRecordingFolders(files, folder, created)) {
    session.variables.SetVariable("OVERRIDECACHE", "", "Failed Cache Override");
    session.instance.acceptedOverrideCache.clear();
    for (auto it = created.rbegin(); it != created.rend(); ++it) files.RemoveEmptyDirectory(*it);
    return;
  }
  session.variables.SetVariable("OVERRIDECACHE", folder, kInjectOverrideContext);
  RunBootstrap(session, session.instance.packagePath);
  session.instance.acceptedOverrideCache = folder;
  for (auto it = created.rbegin(); it != created.rend(); ++it) files.RemoveEmptyDirectory(*it);
}

void RefreshCacheOverride(Session& session) {
  const std::string value = session.variables.GetVariable("OVERRIDECACHE");
  if (!value.empty() && value != session.instance.acceptedOverrideCache) RelocateCache(session);
}

// A patch updates an installed instance: the folder of the program its Uninstall entry starts
// is that instance's folder in the engine cache, named by its revision code.
void LoadPatchTarget(Session& session, const std::string& packagePath) {
  if (!session.platform.files.FileExists(PatchPackagePath(packagePath))) return;
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                          session.variables.GetVariable("TITLE");
  platform::Registry& registry = session.platform.registry;
  std::string uninstall = ReadRegistryText(registry, platform::RegistryRoot::CurrentUser, key, "UninstallString");
  if (uninstall.empty())
    uninstall = ReadRegistryText(registry, platform::RegistryRoot::LocalMachine, key, "UninstallString");
  const std::string program = UninstallProgramPath(uninstall);
  const std::string folder = FolderUpToBackslash(program);
  if (folder.empty()) return;
  session.instance.patchTarget = FileNameAfterBackslashOrColon(FolderBeforeBackslash(program));
  LoadInstalledInstance(session, folder, FileNameWithoutExtension(FileNameAfterBackslashOrColon(packagePath)));
}

}  // namespace quarrix

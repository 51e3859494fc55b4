#include "engine/ScriptRun.h"

#include <exception>
#include <unordered_map>

#include "common/WindowsPath.h"
#include "engine/Interpreter.h"
#include "engine/PredefinedVariables.h"
#include "engine/WorkerHandshake.h"
#include "instance/CacheRoot.h"
#include "instance/EndOfRunSave.h"
#include "instance/InstanceBootstrap.h"
#include "engine/ProcessExit.h"
#include "engine/RuntimeError.h"
#include "engine/ScriptPreparation.h"
#include "media/FolderCleanup.h"
#include "msi/InstallerProperties.h"
#include "startup/Session.h"
#include "startup/Startup.h"
#include "startup/TraceTags.h"

namespace quarrix {
namespace {

constexpr int kRejectedScriptExitCode = 314;

void ResetRunGlobals(Session& session) {
  session.rootFolder = session.executableFolder;
  session.packageEdits.pinRequests.clear();
  session.instance.BeginRun();
  session.platformMode = "Win32";
}

void ResetRunState(RunState& run) {
  RunState fresh;
  fresh.labels = std::move(run.labels);
  run = std::move(fresh);
}

bool HasSomethingToInstall(Session& session, const std::string& packagePath) {
  platform::FileSystem& files = session.platform.files;
  if (!packagePath.empty() && files.FileExists(packagePath)) return true;
  return files.FileExists(PatchPackagePath(packagePath));
}

// False when another run of the same setup holds the marker.
bool ClaimSingleInstance(Session& session) {
  if (ExpandConstants("#SINGLEINSTANCE#", session.payload.buildConstants) != "TRUE") return true;
  const std::string marker = WithTrailingBackslash(session.tempFolder) + session.payload.revisionCode + ".zvk";
  platform::FileSystem& files = session.platform.files;
  if (files.FileExists(marker)) return false;
  files.WriteFile(marker, "");
  session.singleInstanceMarker = marker;
  return true;
}

std::string ReadRegistryText(platform::Registry& registry, platform::RegistryRoot root, const std::string& key,
                             const std::string& name) {
  const auto value = registry.ReadValue(root, key, name, platform::RegistryView::Default);
  const bool text = value && (value->type == platform::RegistryType::String ||
                              value->type == platform::RegistryType::ExpandString);
  return text ? value->data : std::string();
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

// A "Reboot and Resume" of an earlier run left an entry that started this one; it must not start
// the setup again. The value is named by the eight characters after the product code's brace.
void DeleteResumeEntry(Session& session) {
  const std::string& productCode = session.payload.productCode;
  if (productCode.size() < 2) return;
  const std::string name = productCode.substr(1, 8);
  constexpr const char* kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
  platform::Registry& registry = session.platform.registry;
  for (platform::RegistryRoot root : {platform::RegistryRoot::CurrentUser, platform::RegistryRoot::LocalMachine})
    registry.DeleteValue(root, kRunOnceKey, name, platform::RegistryView::Default);
}

// Every installer-backed line starts switched off; a line turns its own property on when it runs.
void SwitchActionPropertiesOff(Session& session) {
  const StringList& headers = session.payload.commandHeaders;
  std::unordered_map<std::string, const std::string*> headerOfLine;
  for (size_t i = 0; i + 1 < headers.size(); i += 2) headerOfLine.emplace(headers[i + 1], &headers[i]);
  for (size_t line = 0; line < session.payload.LineCount(); ++line) {
    const auto found = headerOfLine.find(std::to_string(line));
    if (found == headerOfLine.end()) continue;
    QueueAndRecordInstallerProperty(session, "A" + *found->second, "FALSE");
  }
}

// Translations are chosen here once language selection exists; until then no language is.
void SelectLanguage(Session& session) { session.variables.SetVariable("LANGUAGE", "", "Initialization"); }

void InjectCommandLineVariables(Session& session) {
  const StringList& assignments = session.commandLine.assignments;
  for (size_t i = 0; i + 1 < assignments.size(); i += 2)
    session.variables.SetVariable(ToUpperAscii(assignments[i]), assignments[i + 1], kInjectOverrideContext);
}

// Steps 11 to 14 of the run entry: their failures are runtime errors of the script.
void InitialiseRun(Session& session, PerLineRefresh& refresh, const std::string& packagePath) {
  // The bootstrap may have loaded the instance's components: the predefined one joins them.
  session.components.DefineComponent(kPredefinedComponent, "", true);
  SetPredefinedVariables(session, refresh, packagePath);
  LoadPatchTarget(session, packagePath);
  DeleteResumeEntry(session);
  SwitchActionPropertiesOff(session);
  SelectLanguage(session);
  InjectCommandLineVariables(session);
}

// The setup was started from a medium that has been taken out while the script ran.
bool MediumRemoved(Session& session) {
  platform::FileSystem& files = session.platform.files;
  const std::string& folder = session.executableFolder;
  return !folder.empty() && !files.IsOnFixedDrive(folder) && !files.DirectoryExists(folder);
}

// Start-up cannot be returned into without its medium: the run saves the instance, cleans up
// what start-up would and ends the process itself.
[[noreturn]] void EndAfterMediumRemoved(Session& session) {
  SaveInstanceAtEndOfRun(session);
  session.trace.WriteTrace(kTagRunScriptClose);
  FreeScriptTables(session);
  session.trace.WriteTrace(kTagCachedSupportDirOpen);
  if (!session.supportFolder.empty() && session.platform.files.DirectoryExists(session.supportFolder))
    RemoveFolderTree(session.platform.files, session.supportFolder);
  session.trace.WriteTrace(kTagCachedSupportDirClose);
  session.trace.WriteTrace(kTagRemovableMediaPrematureEjectOpen);
  session.trace.WriteTrace(kTagRemovableMediaPrematureEjectClose);
  session.trace.WriteTrace(kTagQuarrixClose);
  throw ProcessExit{session.exitCode};
}

void EndRun(Session& session, RunState& run) {
  session.trace.WriteTrace(kTagVeldClose);
  session.trace.WriteTrace(kTagExitScriptOpen);
  RunCleanup(session, run);
  session.trace.WriteTrace(kTagExitScriptClose);
  if (MediumRemoved(session)) EndAfterMediumRemoved(session);
}

}  // namespace

std::string PatchPackagePath(const std::string& packagePath) {
  return packagePath.substr(0, packagePath.size() - ExtensionOf(packagePath).size()) + ".msp";
}

void ExecuteScript(Session& session, const HashedStringList& commandNames, const HashedStringList& lineGuids,
                   const HashedStringList* commentFlags, const std::string& packagePath,
                   const StepCallback& stepCallback, const ParameterLists& parameterLists,
                   const HashedStringList& lineMedia) {
  session.trace.WriteTrace(kTagVariablesOpen);
  ResetRunGlobals(session);
  session.trace.WriteTrace(kTagVariablesClose);

  session.trace.WriteTrace(kTagCompileScriptOpen);
  const PreparationResult preparation = PrepareScript(session.variables, commandNames, lineGuids, commentFlags,
                                                      parameterLists, session.skipMarks);
  // The diagnostic is never shown: an unsupported script produces no window at all.
  if (!preparation.Accepted()) throw ProcessExit{kRejectedScriptExitCode};
  session.trace.WriteTrace(kTagCompileScriptClose);
  // The pass's declarations only served its own checks.
  session.variables.ClearVariables();
  session.components.StartRun(session.payload.componentSizes);

  StoreHandshakeVariables(session.variables, session.platform.clock);
  SetPreInitializationVariables(session);

  session.trace.WriteTrace(kTagBootStrapOpen);
  RunBootstrap(session, packagePath);
  session.trace.WriteTrace(kTagBootStrapClose);
  session.rootFolder = WithTrailingBackslash(session.rootFolder);

  RunState run;
  const ScriptLines lines(commandNames, commentFlags);
  ResetRunState(run);
  BuildLabelTable(session, run, lines);

  if (!HasSomethingToInstall(session, packagePath)) return;
  if (!ClaimSingleInstance(session)) return;

  session.trace.WriteTrace(kTagVeldOpen);
  run.lineNumber = 0;
  PerLineRefresh refresh(session, GetCacheRoot);
  try {
    InitialiseRun(session, refresh, packagePath);
  } catch (const std::exception& error) {
    ReportRuntimeError(session, 0, error.what());
    RunCleanup(session, run);
    return;
  }
  // Plug-in lines find their media through lineMedia once plug-in calls exist.
  (void)lineMedia;
  if (RunMainLoop(session, run, lines, refresh, stepCallback) == RunEnd::Finished) EndRun(session, run);
}

}  // namespace quarrix

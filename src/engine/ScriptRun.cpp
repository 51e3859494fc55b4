#include "engine/ScriptRun.h"

#include <exception>
#include <unordered_map>

#include "common/WindowsPath.h"
#include "engine/CommandCatalogue.h"
#include "engine/FolderCleanup.h"
#include "engine/InstanceCache.h"
#include "engine/Interpreter.h"
#include "engine/PackageEdits.h"
#include "engine/PredefinedVariables.h"
#include "engine/RunLanguage.h"
#include "engine/WorkerHandshake.h"
#include "engine/ProcessExit.h"
#include "engine/RuntimeError.h"
#include "engine/ScriptPreparation.h"
#include "engine/Session.h"
#include "engine/TraceTags.h"

namespace quarrix {
namespace {

constexpr int kRejectedScriptExitCode = 314;

void ResetRunGlobals(Session& session) {
  session.rootFolder = session.executableFolder;
  session.run.Begin();
  session.instance.BeginRun();
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
  session.run.singleInstanceMarker = marker;
  return true;
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
    QueueAndRecordInstallerProperty(session.run, "A" + *found->second, "FALSE");
  }
}

void InjectCommandLineVariables(Session& session) {
  const StringList& assignments = session.commandLine.assignments;
  for (size_t i = 0; i + 1 < assignments.size(); i += 2)
    session.variables.SetVariable(ToUpperAscii(assignments[i]), assignments[i + 1], kInjectOverrideContext);
}

// Steps 11 to 14 of the run entry: their failures are runtime errors of the script. False when
// the user cancelled the language dialog: no line runs.
bool InitialiseRun(Session& session, PerLineRefresh& refresh, const std::string& packagePath) {
  // The bootstrap may have loaded the instance's components: the predefined one joins them.
  session.run.components.DefineComponent(kPredefinedComponent, "", true);
  SetPredefinedVariables(session, refresh, packagePath);
  session.run.instanceCache->LoadPatchTarget(session, packagePath);
  DeleteResumeEntry(session);
  SwitchActionPropertiesOff(session);
  if (!SelectLanguage(session, packagePath)) return false;
  InjectCommandLineVariables(session);
  return true;
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
  session.run.instanceCache->SaveAtEndOfRun(session);
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

void FreeScriptTables(Session& session) {
  session.trace.WriteTrace(kTagFreeOpen);
  ScriptPayload& payload = session.payload;
  session.parameterLists.clear();
  payload.commandNames.Clear();
  payload.lineGuids.Clear();
  payload.commentFlags.Clear();
  payload.lineMedia.Clear();
  payload.pluginCommands.clear();
  session.trace.WriteTrace(kTagFreeClose);
}

void ExecuteScript(Session& session, const RunRequest& request) {
  const ScriptPayload& payload = session.payload;
  const std::string& packagePath = request.packagePath;
  session.run.commands = &request.commands;
  session.run.instanceCache = &request.instanceCache;
  session.trace.WriteTrace(kTagVariablesOpen);
  ResetRunGlobals(session);
  session.trace.WriteTrace(kTagVariablesClose);

  session.trace.WriteTrace(kTagCompileScriptOpen);
  const PreparationResult preparation =
      PrepareScript(session.variables, request.commands, payload.commandNames, payload.lineGuids,
                    &payload.commentFlags, session.parameterLists, session.run.skipMarks);
  // The diagnostic is never shown: an unsupported script produces no window at all.
  if (!preparation.Accepted()) throw ProcessExit{kRejectedScriptExitCode};
  session.trace.WriteTrace(kTagCompileScriptClose);
  // The pass's declarations only served its own checks.
  session.variables.ClearVariables();
  session.run.components.StartRun(session.payload.componentSizes);

  StoreHandshakeVariables(session.variables, session.platform.clock);
  SetPreInitializationVariables(session);

  session.trace.WriteTrace(kTagBootStrapOpen);
  request.instanceCache.Bootstrap(session, packagePath);
  session.trace.WriteTrace(kTagBootStrapClose);
  session.rootFolder = WithTrailingBackslash(session.rootFolder);

  RunState run;
  const ScriptLines lines(payload.commandNames, &payload.commentFlags);
  ResetRunState(run);
  BuildLabelTable(session, run, lines);

  if (!HasSomethingToInstall(session, packagePath)) return;
  if (!ClaimSingleInstance(session)) return;

  session.trace.WriteTrace(kTagVeldOpen);
  run.lineNumber = 0;
  InstanceCache& instanceCache = request.instanceCache;
  PerLineRefresh refresh(session, [&instanceCache](Session& owner, bool perMachine) {
    return instanceCache.CacheRoot(owner, perMachine);
  });
  session.run.packagePath = packagePath;
  session.run.productCodeAtStart = payload.productCode;
  try {
    if (!InitialiseRun(session, refresh, packagePath)) {
      RunCleanup(session, run);
      return;
    }
  } catch (const std::exception& error) {
    ReportRuntimeError(session, 0, error.what());
    RunCleanup(session, run);
    return;
  }
  // Plug-in lines find their media through the payload's lineMedia once plug-in calls exist.
  if (RunMainLoop(session, run, lines, refresh, request.stepCallback) == RunEnd::Finished) EndRun(session, run);
}

}  // namespace quarrix

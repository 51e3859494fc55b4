#include "engine/ScriptRun.h"

#include <exception>
#include <unordered_map>

#include "engine/Interpreter.h"
#include "engine/ProcessExit.h"
#include "engine/RuntimeError.h"
#include "engine/ScriptPreparation.h"
#include "msi/InstallerProperties.h"
#include "startup/Session.h"
#include "startup/TraceTags.h"

namespace quarrix {
namespace {

constexpr int kRejectedScriptExitCode = 314;

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

void ResetRunGlobals(Session& session) { session.rootFolder = session.executableFolder; }

// Until the worker handshake unit lands: the values a run starts with, tick counts unknown.
void StoreHandshakeVariables(Session& session) {
  TVariableManager& variables = session.variables;
  for (const auto& [name, value] :
       {std::pair{"VELD_thProgress", "0"}, {"VELD_thMax", "100"}, {"VELD_thMin", "0"}, {"VELD_thProgressText", ""},
        {"VELD_thFinished", "FALSE"}, {"VELD_thCancelled", "FALSE"}, {"VELD_IsCancelled", "FALSE"},
        {"VELD_LastDelegateTick", "0"}, {"VELD_LastActiveTick", "0"}})
    variables.StoreVariable(name, value);
}

// Until the predefined variables unit lands: only what the loop's own refresh reads, so that
// start-up's silence, log and title survive the first line.
void SetPredefinedVariables(Session& session) {
  TVariableManager& variables = session.variables;
  variables.SetVariable("SILENT", BoolText(session.silent), "Initialization");
  variables.SetVariable("LOGGED", session.commandLine.logPath, "Initialization");
  variables.SetVariable("TITLE", session.workingTitle, "Initialization");
}

void ResetRunState(RunState& run) {
  RunState fresh;
  fresh.labels = std::move(run.labels);
  run = std::move(fresh);
}

std::string PatchPackagePath(const std::string& packagePath) {
  const size_t dot = packagePath.rfind('.');
  const size_t slash = packagePath.find_last_of("\\:");
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? packagePath.substr(0, dot) : packagePath) + ".msp";
}

bool HasSomethingToInstall(Session& session, const std::string& packagePath) {
  platform::FileSystem& files = session.platform.files;
  if (!packagePath.empty() && files.FileExists(packagePath)) return true;
  return files.FileExists(PatchPackagePath(packagePath));
}

// False when another run of the same setup holds the marker.
bool ClaimSingleInstance(Session& session) {
  if (ExpandConstants("#SINGLEINSTANCE#", session.payload.buildConstants) != "TRUE") return true;
  const std::string marker = WithBackslash(session.tempFolder) + session.payload.revisionCode + ".zvk";
  platform::FileSystem& files = session.platform.files;
  if (files.FileExists(marker)) return false;
  files.WriteFile(marker, "");
  session.singleInstanceMarker = marker;
  return true;
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
void InitialiseRun(Session& session) {
  // The bootstrap may have loaded the instance's components: the predefined one joins them.
  session.components.DefineComponent(kPredefinedComponent, "", true);
  SetPredefinedVariables(session);
  // The patch target's instance is loaded here once the instance cache unit exists, and the
  // resume entry of an earlier "Reboot and Resume" removed once the registry can delete values.
  SwitchActionPropertiesOff(session);
  SelectLanguage(session);
  InjectCommandLineVariables(session);
}

void EndRun(Session& session, RunState& run) {
  session.trace.WriteTrace(kTagVeldClose);
  session.trace.WriteTrace(kTagExitScriptOpen);
  RunCleanup(session, run);
  session.trace.WriteTrace(kTagExitScriptClose);
  // A setup medium removed while the script ran is noticed here once the platform can tell a
  // fixed drive from a removable one; start-up does the saving and clean-up meanwhile.
}

}  // namespace

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

  StoreHandshakeVariables(session);
  // TARGETDIR, STARTMENU and ALLUSERS ("Pre-Initialization") join with the predefined variables.

  session.trace.WriteTrace(kTagBootStrapOpen);
  // The instance bootstrap runs here once the instance cache unit exists.
  session.trace.WriteTrace(kTagBootStrapClose);
  session.rootFolder = WithBackslash(session.rootFolder);

  RunState run;
  const ScriptLines lines(commandNames, commentFlags);
  ResetRunState(run);
  BuildLabelTable(session, run, lines);

  if (!HasSomethingToInstall(session, packagePath)) return;
  if (!ClaimSingleInstance(session)) return;

  session.trace.WriteTrace(kTagVeldOpen);
  run.lineNumber = 0;
  try {
    InitialiseRun(session);
  } catch (const std::exception& error) {
    ReportRuntimeError(session, 0, error.what());
    RunCleanup(session, run);
    return;
  }
  // Plug-in lines find their media through lineMedia once plug-in calls exist.
  (void)lineMedia;
  if (RunMainLoop(session, run, lines, stepCallback) == RunEnd::Finished) EndRun(session, run);
}

}  // namespace quarrix

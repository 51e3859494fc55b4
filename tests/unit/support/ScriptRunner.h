#pragma once
// Runs a script written as source text on a fresh simulated machine, the way start-up hands it
// to the interpreter: payload tables in the session, a support folder holding the package.
#include <string>
#include <string_view>

#include "authoring/ScriptCompiler.h"
#include "commands/EngineCommands.h"
#include "engine/ScriptRun.h"
#include "engine/CommandLine.h"
#include "engine/Session.h"
#include "instance/EngineInstanceCache.h"
#include "support/TempMachine.h"
#include "ui/BuiltInForms.h"

namespace quarrix::testing {

class ScriptRunner {
 public:
  // arguments: the engine's command line after the program name ("/qn NAME=value").
  explicit ScriptRunner(std::string_view source, std::string_view arguments = "") {
    session.tempFolder = machine.system.tempPath;
    session.executablePath = machine.system.executablePath;
    session.executableFolder = "C:\\Setup\\";
    session.executableName = "setup";
    session.supportFolder = session.tempFolder + "zvk1\\";
    session.dataFolder = session.executableFolder + "data\\";
    machine.files.CreateDirectories(session.supportFolder);
    machine.files.WriteFile(PackagePath(), "package");

    session.commandLine = ParseCommandLine("\"C:\\Setup\\setup.exe\" " + std::string(arguments));
    session.silent = session.commandLine.silent;
    session.trace.SetLogPath(session.commandLine.logPath);
    session.variables.SetSilent(session.silent);
    session.variables.SetCommandLineAssignments(session.commandLine.assignments);

    session.payload = CompileScriptSource(source, "setup.qxs");
    session.parameterLists = {session.payload.parameterList};
    session.payload.parameterList.Clear();
    session.workingTitle = session.payload.title;
    session.titleAsRead = session.payload.title;
  }

  std::string PackagePath() const { return session.supportFolder + "setup.msi"; }

  void Run(const StepCallback& stepCallback = nullptr) {
    ExecuteScript(session, RunRequest{.packagePath = PackagePath(),
                                      .commands = EngineCommands(),
                                      .instanceCache = instanceCache,
                                      .stepCallback = stepCallback});
  }

  std::string Var(std::string_view name) const { return session.variables.GetVariable(name); }

  TempMachine temp;
  platform::sim::SimMachine& machine = temp.machine;
  Session session{machine.AsPlatform()};
  EngineInstanceCache instanceCache;
  ui::BuiltInForms forms{session};  // the language dialog and the retry forms, answered by machine.toolkit
};

}  // namespace quarrix::testing

// The program, process and service commands: program starts on a worker, windows, processes,
// services, scheduled tasks, library registration, the .NET tools and the restart requests.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/CommandFamilies.h"
#include "commands/ProgramRuns.h"
#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "engine/AppendedData.h"
#include "engine/Session.h"
#include "engine/VariableManager.h"
#include "engine/Worker.h"
#include "msi/PackageDatabase.h"

namespace quarrix {
namespace {

using platform::Processes;
using platform::ProgramStart;
using platform::ShowMode;

constexpr int32_t kCancelledExitCode = -314;

// The program worker: one start, the optional wait, the exit code.
class ProgramWorker : public Worker {
 public:
  ProgramWorker(WorkerKey key, Session& session, ProgramRequest request)
      : Worker(key, session), session_(session), request_(std::move(request)) {}

  int32_t ExitCode() const { return exitCode_; }

 protected:
  void Execute() override {
    const int32_t code = RunProgramRequest(session_.platform.processes, session_.platform.system.Version(), request_,
                                           [this] { return TerminateRequested(); });
    PublishResult([&] { exitCode_ = code; });
  }

 private:
  Session& session_;
  ProgramRequest request_;
  int32_t exitCode_ = 0;
};

// The worker procedure: the exit code, -314 after a cancel. The script ends when the cancel says so.
int32_t RunOnWorker(CommandContext& context, ProgramRequest request, const char* cancelContext, bool& endScript) {
  WorkerOf<ProgramWorker> worker(context.session, std::move(request));
  WaitOptions options;
  options.cancelContext = cancelContext;
  options.watchdogChecksHeartbeat = false;
  const WaitOutcome outcome = WaitForWorker(context.session, *worker, options);
  endScript = outcome.endScript;
  if (outcome.cancelled) return kCancelledExitCode;
  if (!worker->Failure().empty()) throw std::runtime_error(worker->Failure());
  return worker->ExitCode();
}

// Parameters: 1 program, 2 hidden, 3 arguments, 4 wait, 5 result (optional).
void RunProgram(CommandContext& context) {
  ProgramRequest request;
  request.kind = ProgramRequest::Kind::Shell;
  request.program = context.Path(1);
  request.arguments = context.Path(3);
  request.folder = FolderUpToBackslash(request.program);
  request.show = context.Truth(2) ? ShowMode::Hide : ShowMode::Show;
  request.wait = context.Truth(4);

  platform::FileSystem& files = context.session.platform.files;
  const std::string previousFolder = files.CurrentDirectory();
  if (!request.folder.empty()) files.ChangeCurrentDirectory(request.folder);
  bool endScript = false;
  const int32_t code = RunOnWorker(context, std::move(request), "Cancel at Run-Program Time", endScript);
  if (endScript) {
    context.EndScript();
    return;
  }
  files.ChangeCurrentDirectory(previousFolder);
  if (!context.Param(5).empty()) context.SetDeclaredResult(5, std::to_string(code));
}

// Parameters: 1 compiled script, 2 result (optional), 3 arguments, 4 wait.
void RunLightModeSetup(CommandContext& context) {
  Session& session = context.session;
  platform::FileSystem& files = session.platform.files;
  const std::string script = context.Path(1);
  if (!AttachStub(files, session.executablePath, script)) {
    if (!context.Param(2).empty()) context.SetDeclaredResult(2, "-1");
    return;
  }
  // The child setup finds its archive library beside it. Beside the engine it is already there,
  // and must not be deleted afterwards.
  const std::string folder = FolderUpToBackslash(script);
  const bool besideEngine = EqualsIgnoreCase(folder, session.executableFolder);
  const std::string library = folder + "zvk.lib";
  if (!besideEngine) files.Copy(session.executableFolder + "zvk.lib", library, true);

  ProgramRequest request;
  request.kind = ProgramRequest::Kind::Shell;
  request.program = script;
  request.arguments = context.Path(3);
  request.folder = folder;
  request.wait = context.Truth(4);
  const std::string previousFolder = files.CurrentDirectory();
  if (!folder.empty()) files.ChangeCurrentDirectory(folder);
  bool endScript = false;
  const int32_t code = RunOnWorker(context, std::move(request), "Cancel at Light-Mode Time", endScript);
  if (!endScript) files.ChangeCurrentDirectory(previousFolder);

  if (!besideEngine) files.RemoveFile(library);
  files.RemoveFile(script);
  files.Move(script + ".nox", script);
  if (endScript) {
    context.EndScript();
    return;
  }
  if (!context.Param(2).empty()) context.SetDeclaredResult(2, std::to_string(code));
}

// Parameters: 1 program, 2 working folder, 3 arguments, 4 window mode, 5 user, 6 domain,
// 7 password, 8 result (optional), 9 wait, 10 environment.
void RunProgramAs(CommandContext& context) {
  ProgramRequest request;
  request.kind = ProgramRequest::Kind::Create;
  request.program = context.Path(1);
  request.arguments = context.Path(3);
  request.show = WindowModeShow(context.Path(4));
  request.user = context.Path(5);
  request.domain = context.Path(6);
  request.password = context.Path(7);
  request.wait = context.Truth(9);
  request.environment = EnvironmentLines(context.Path(10));

  platform::FileSystem& files = context.session.platform.files;
  const std::string workingFolder = context.Path(2);
  const std::string previousFolder = files.CurrentDirectory();
  if (!workingFolder.empty()) files.ChangeCurrentDirectory(workingFolder);
  bool endScript = false;
  const int32_t code = RunOnWorker(context, std::move(request), "Cancel at Run-As Time", endScript);
  if (!workingFolder.empty()) files.ChangeCurrentDirectory(previousFolder);
  if (endScript) {
    context.EndScript();
    return;
  }
  if (!context.Param(8).empty()) context.SetDeclaredResult(8, std::to_string(code));
}

// Parameters: 1 window title part, 2 window class part.
void TerminateProgram(CommandContext& context) {
  const std::string titlePart = context.Path(1);
  const std::string classPart = context.Path(2);
  if (titlePart.empty() && classPart.empty()) return;
  Processes& processes = context.session.platform.processes;
  for (int pass = 0; pass < 10; ++pass) {
    for (const platform::TopLevelWindow& window : processes.TopLevelWindows()) {
      if (!WindowMatches(window, titlePart, classPart)) continue;
      processes.PostClose(window.window);
      break;
    }
  }
}

// Parameters: 1 program file name, 2 result.
void CheckProcess(CommandContext& context) {
  const std::string wanted = context.Expanded(1);
  bool running = false;
  for (const std::string& name : context.session.platform.processes.RunningProgramNames())
    if (EqualsIgnoreCase(FileNameAfterBackslash(name), wanted)) running = true;
  context.SetDeclaredResult(2, running ? "TRUE" : "FALSE");
}

// Parameters: 1 service, 2 computer (empty: this one), 3 result.
void CheckService(CommandContext& context) {
  const std::optional<uint32_t> state =
      context.session.platform.services.QueryState(context.Expanded(1), context.Expanded(2));
  context.SetDeclaredResult(3, ServiceStateName(state));
}

// Parameters: 1 task, 2 computer, 3 at system start, 4 at logon, 5 weekly, 6 day text, 7 start
// time, 8 only when online, 9 interactive|only when logged on, 10 program, 11 working folder,
// 12 arguments, 13 account, 14 password.
void ScheduleTask(CommandContext& context) {
  TaskRequest request;
  request.name = context.Localized(1, 1);
  request.computer = context.Expanded(2);
  request.atSystemStart = context.Expanded(3);
  request.atLogon = context.Expanded(4);
  request.weekly = context.Expanded(5);
  request.dayText = context.Expanded(6);
  request.startTime = context.Expanded(7);
  request.internet = context.Expanded(8);
  request.interactiveAndLoggedOn = context.Expanded(9);
  request.application = context.Expanded(10);
  request.workingFolder = context.Expanded(11);
  request.parameters = context.Expanded(12);
  request.account = context.Expanded(13);
  request.password = context.Expanded(14);
  // The scheduler's own errors end the command; the script goes on.
  context.session.platform.tasks.Save(TaskDefinitionOf(request));
}

// Parameters: 1 task, 2 computer.
void DeleteScheduledTask(CommandContext& context) {
  context.session.platform.tasks.Delete(context.Localized(1, 1), context.Expanded(2));
}

void RebootComputer(CommandContext& context) {
  context.session.platform.processes.RequestRestart();
  context.EndScript();
}

void RebootAndResume(CommandContext& context) {
  Session& session = context.session;
  const bool allUsers = IsTrue(session.variables.GetVariable("ALLUSERS"));
  const platform::RegistryRoot root =
      allUsers ? platform::RegistryRoot::LocalMachine : platform::RegistryRoot::CurrentUser;
  std::string command =
      session.commandLine.wrapperPath.empty() ? session.executablePath : session.commandLine.wrapperPath;
  if (!session.commandLine.rawArguments.empty()) command += " " + session.commandLine.rawArguments;
  platform::Registry& registry = session.platform.registry;
  if (registry.CreateKey(root, kRunOnceKey, platform::RegistryView::Default))
    registry.WriteValue(root, kRunOnceKey, ResumeEntryName(session.payload.productCode),
                        platform::RegistryValue::Text(command), platform::RegistryView::Default);
  session.platform.processes.RequestRestart();
  context.EndScript();
}

// Parameters: 1 file, 2 register (false: unregister), 3 result (optional).
void RegisterLibrary(CommandContext& context) {
  const std::string file = context.Path(1);
  const bool registering = context.Truth(2);
  platform::FileSystem& files = context.session.platform.files;
  const std::string previousFolder = files.CurrentDirectory();
  const std::string folder = FolderUpToBackslash(file);
  if (!folder.empty()) files.ChangeCurrentDirectory(folder);
  const bool done = RegisterLibraryFile(context.session.platform.processes, file, registering);
  files.ChangeCurrentDirectory(previousFolder);
  if (!context.Param(3).empty()) context.SetDeclaredResult(3, done ? "TRUE" : "FALSE");
}

// The tool of version 2.0, and that of version 1.1 when the first fails.
void RunDotNetTool(Session& session, std::string_view tool, const std::string& arguments20,
                   const std::string& arguments11, const std::string& assembly) {
  Processes& processes = session.platform.processes;
  const std::string framework = processes.WindowsFolder() + "Microsoft.NET\\Framework\\";
  const std::string folder = FolderUpToBackslash(assembly);
  // The tools run on the interpreter's thread: the wizard's messages are served between waits.
  auto pump = [&session] {
    session.platform.threads.ProcessPendingMessages();
    return false;
  };
  const int32_t code = ShellRun(processes, framework + "v2.0.50727\\" + std::string(tool), arguments20, folder,
                                true, false, pump);
  if (code != 0) ShellRun(processes, framework + "v1.1.4322\\" + std::string(tool), arguments11, folder, true, false, pump);
}

// Parameter 1: assembly|install.
void GenerateNativeImages(CommandContext& context) {
  const std::string text = context.Param(1);
  const size_t bar = text.find('|');
  const std::string assembly = context.session.variables.ExpandVariables(text.substr(0, bar));
  const std::string flag = bar == std::string::npos ? "" : text.substr(bar + 1);
  const bool install = flag.empty() || IsTrue(flag);
  const std::string quoted = " \"" + assembly + "\"";
  RunDotNetTool(context.session, "ngen.exe", (install ? "install" : "uninstall") + quoted,
                (install ? "" : "/delete") + quoted, assembly);
}

// Parameters: 1 assembly, 2 install.
void RunDotNetInstallerClass(CommandContext& context) {
  const std::string assembly = context.Expanded(1);
  const std::string arguments = std::string(IsTrue(context.Path(2)) ? "" : "/u") + " \"" + assembly + "\"";
  RunDotNetTool(context.session, "installutil.exe", arguments, arguments, assembly);
}

// Parameter 1: assembly|register|code base.
void RegisterAssembly(CommandContext& context) {
  const std::string text = context.Param(1);
  const size_t first = text.find('|');
  const std::string rest = first == std::string::npos ? "" : text.substr(first + 1);
  const size_t second = rest.find('|');
  const std::string registerFlag = rest.substr(0, second);
  const std::string codeBaseFlag = second == std::string::npos ? "" : rest.substr(second + 1);
  const bool registering = registerFlag.empty() || IsTrue(registerFlag);
  const bool codeBase = !codeBaseFlag.empty() && IsTrue(codeBaseFlag);
  Session& session = context.session;
  std::string assembly = session.variables.ExpandVariables(text.substr(0, first));
  if (assembly.find('\\') == std::string::npos)
    assembly = ResolveStrongName(session.platform.files, session.platform.processes.WindowsFolder(), assembly);
  const std::string arguments = std::string(registering ? "/tlb" : "/tlb /unregister") + (codeBase ? " /codebase" : "") +
                                " \"" + assembly + "\" /silent";
  RunDotNetTool(session, "regasm.exe", arguments, arguments, assembly);
}

// Uninstalls every assembly the package lists from the global assembly cache: with the cache tool
// in the support folder, and, when its last run failed, with the framework's own. This engine
// carries no cache tool among its resources, so the first tool is there only when the setup
// ships it in its support files; without it the framework's tool does the work.
void RemoveAssemblies(CommandContext& context) {
  Session& session = context.session;
  const auto assemblies = ListPackageAssemblies(session.platform.installer, session.run.packagePath);
  const auto removeWith = [&](const std::string& tool) {
    int32_t last = 0;
    for (const auto& [name, version] : assemblies)
      last = ShellRun(session.platform.processes, tool, "/u " + name + ",Version=" + version, session.supportFolder,
                      true, false, [] { return false; });
    return last;
  };
  if (removeWith(session.supportFolder + "mgac.exe") != 0)
    removeWith(session.platform.processes.WindowsFolder() + "Microsoft.NET\\Framework\\v1.1.4322\\gacutil.exe");
}

constexpr CommandRow kRows[] = {
    // Declaring an empty name does nothing, so "when not empty" needs no test of its own.
    {"Run Program", RunProgram, DeclareOnly<4>},
    {"Run Program As", RunProgramAs, DeclareOnly<8>},
    {"Run Light Mode Setup", RunLightModeSetup, DeclareOnly<2>},
    {"Terminate Program", TerminateProgram},
    {"Check Process", CheckProcess, DeclareOnly<2>},
    {"Check Service", CheckService, DeclareOnly<3>},
    {"Schedule Task", ScheduleTask},
    {"Delete Scheduled Task", DeleteScheduledTask},
    {"Reboot Computer", RebootComputer},
    {"Reboot and Resume", RebootAndResume},
    {"Register Library", RegisterLibrary, DeclareOnly<3>},
    {"Register Assembly", RegisterAssembly},
    {"Generate Native Images", GenerateNativeImages},
    {"Run .NET Installer Class", RunDotNetInstallerClass},
    {.name = "Remove Assemblies", .handler = RemoveAssemblies, .touchesFiles = true},
};

}  // namespace

std::span<const CommandRow> ProgramCommandRows() { return kRows; }

}  // namespace quarrix

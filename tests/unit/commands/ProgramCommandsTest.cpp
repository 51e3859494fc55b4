#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "commands/CommandRunner.h"
#include "commands/ProgramRuns.h"
#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "startup/PeImageBuilder.h"
#include "support/TestPackage.h"

namespace quarrix {
namespace {

using platform::ShowMode;
using platform::TaskTrigger;
using testing::CommandRunner;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

platform::sim::SimMachine& Machine(CommandRunner& runner) { return runner.temp.machine; }

// The last process the engine started, if any.
const platform::sim::SimProcess* LastStarted(CommandRunner& runner) {
  const auto& processes = Machine(runner).processes.processes;
  if (processes.empty() || processes.back().how == "system") return nullptr;
  return &processes.back();
}

class ProgramCommandsTest : public ::testing::Test {
 protected:
  // A runner whose machine has C:\Tools\tool.exe (exit code 7), C:\Tools\server.exe (runs until
  // its window closes) and C:\Tools\zero.exe (no table entry: exit code 0).
  static CommandRunner& Prepare(CommandRunner& runner) {
    auto& machine = Machine(runner);
    machine.files.CreateDirectories("C:\\Tools");
    for (const char* name : {"tool.exe", "server.exe", "zero.exe"}) machine.files.WriteFile(std::string("C:\\Tools\\") + name, "MZ");
    machine.processes.programs.push_back({"tool.exe", 7, "", ""});
    machine.processes.programs.push_back({"SERVER.EXE", std::nullopt, "ServerFrame", "Server Console - main"});
    runner.session.silent = true;
    runner.session.variables.SetVariable("RESULT", "unset", "Test");
    return runner;
  }
};

// Parameters: 1 program, 2 hidden, 3 arguments, 4 wait, 5 result.
TEST_F(ProgramCommandsTest, RunProgramReportsEveryExitCodePath) {
  struct Case {
    const char* name;
    std::string line;
    std::string result;
    ShowMode show;
  };
  const std::vector<Case> cases = {
      {"waited for", "Run Program: C:\\Tools\\tool.exe FALSE \"-a b\" TRUE RESULT\n", "7", ShowMode::Show},
      {"hidden, no table entry", "Run Program: C:\\Tools\\zero.exe TRUE \"\" TRUE RESULT\n", "0", ShowMode::Hide},
      {"not waited for, still running", "Run Program: C:\\Tools\\tool.exe FALSE \"\" FALSE RESULT\n", "259",
       ShowMode::Show},
      {"missing program", "Run Program: C:\\Tools\\none.exe FALSE \"\" TRUE RESULT\n", "-1", ShowMode::Show},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script(c.line));
    Prepare(runner);
    auto& files = Machine(runner).files;
    files.CreateDirectories("C:\\Work");
    files.ChangeCurrentDirectory("C:\\Work");
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("RESULT"), c.result);
    EXPECT_EQ(files.CurrentDirectory(), "C:\\Work") << "the current folder comes back";
    const auto* started = LastStarted(runner);
    if (c.result == "-1") {
      EXPECT_EQ(started, nullptr);
      continue;
    }
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(started->how, "open");
    EXPECT_EQ(started->folder, "C:\\Tools\\");
    EXPECT_EQ(started->show, c.show);
  }
}

TEST_F(ProgramCommandsTest, CancelledWaitGivesMinus314AndEndsTheScriptOnlyWithAbortOnError) {
  for (bool abortOnError : {false, true}) {
    SCOPED_TRACE(abortOnError ? "ABORTONERROR" : "goes on");
    CommandRunner runner(Script("Run Program: C:\\Tools\\server.exe FALSE \"\" TRUE RESULT\n"));
    Prepare(runner);
    auto& machine = Machine(runner);
    auto& files = machine.files;
    files.CreateDirectories("C:\\Work");
    files.ChangeCurrentDirectory("C:\\Work");
    runner.session.variables.SetVariable("ABORTONERROR", abortOnError ? "TRUE" : "FALSE", "Test");
    runner.session.silent = false;  // a silent wait has no one to cancel it
    machine.threads.onIdle = [&runner] { runner.session.variables.StoreVariable("VELD_IsCancelled", "TRUE"); };
    runner.RunLine(0);
    EXPECT_EQ(runner.run.ended, abortOnError);
    EXPECT_EQ(runner.Var("RESULT"), abortOnError ? "unset" : "-314");
    EXPECT_EQ(runner.Var("ABORTEDONERROR"), abortOnError ? "" : "TRUE");
    EXPECT_EQ(files.CurrentDirectory(), abortOnError ? "C:\\Tools\\" : "C:\\Work");
    EXPECT_EQ(machine.processes.RunningProgramNames().back(), "server.exe") << "the program runs on";
    ASSERT_EQ(machine.ui.shown.size(), 1u);
    EXPECT_EQ(machine.ui.shown[0].text, "Setup cancelled");
  }
}

// Parameters: 1 program, 2 working folder, 3 arguments, 4 window mode, 5 user, 6 domain,
// 7 password, 8 result, 9 wait, 10 environment.
TEST_F(ProgramCommandsTest, RunProgramAsChoosesTheStartByUserAndSystem) {
  struct Case {
    const char* name;
    std::string parameters;  // 4 to 7
    bool deelevationApplies;
    uint32_t major;
    std::string result;
    std::string how;
    ShowMode show;
  };
  const std::vector<Case> cases = {
      {"plain, hidden", "1 \"\" \"\" \"\"", true, 10, "7", "create", ShowMode::Hide},
      {"other account", "2 bob \"\" secret", false, 10, "7", "logon bob", ShowMode::Maximize},
      {"other account in a domain", "3 bob CORP secret", false, 10, "7", "logon CORP\\bob", ShowMode::ShowMinimized},
      {"wrong password", "0 bob \"\" guess", false, 10, "-11", "", ShowMode::Show},
      {"de-elevated", "4 $VELD_UAC$ \"\" \"\"", true, 10, "7", "de-elevated", ShowMode::ShowMinNoActive},
      {"de-elevation without reason", "0 $VELD_UAC$ \"\" \"\"", false, 10, "7", "create", ShowMode::Show},
      {"de-elevation before Vista", "9 $VELD_UAC$ \"\" \"\"", true, 5, "7", "create", ShowMode::Show},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Run Program As: C:\\Tools\\tool.exe \"\" -x " + c.parameters +
                                " RESULT TRUE \"A=1\"\\r\\n\"B=2\"\n"));
    Prepare(runner);
    auto& machine = Machine(runner);
    machine.processes.accounts = {{"bob", "secret"}, {"CORP\\bob", "secret"}};
    machine.processes.deelevationApplies = c.deelevationApplies;
    machine.system.version.major = c.major;
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("RESULT"), c.result);
    const auto* started = LastStarted(runner);
    if (c.how.empty()) {
      EXPECT_EQ(started, nullptr);
      continue;
    }
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(started->how, c.how);
    EXPECT_EQ(started->commandLine, "\"C:\\Tools\\tool.exe\" -x");
    EXPECT_EQ(started->show, c.show);
    EXPECT_EQ(started->environment, (std::vector<std::string>{"A=1", "B=2"}));
  }
}

TEST_F(ProgramCommandsTest, RunProgramAsWithoutWaitOrEnvironmentAndAMissingProgram) {
  struct Case {
    const char* name;
    std::string line;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"no wait", "Run Program As: C:\\Tools\\tool.exe \"\" \"\" 0 \"\" \"\" \"\" RESULT FALSE \"\"\n", "259"},
      {"missing", "Run Program As: C:\\Tools\\none.exe \"\" \"\" 0 \"\" \"\" \"\" RESULT TRUE \"\"\n", "-11"},
      {"working folder", "Run Program As: C:\\Tools\\zero.exe C:\\Tools \"\" 0 \"\" \"\" \"\" RESULT TRUE \"\"\n", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script(c.line));
    Prepare(runner);
    auto& files = Machine(runner).files;
    files.CreateDirectories("C:\\Work");
    files.ChangeCurrentDirectory("C:\\Work");
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("RESULT"), c.result);
    EXPECT_EQ(files.CurrentDirectory(), "C:\\Work");
    if (const auto* started = LastStarted(runner)) {
      EXPECT_EQ(started->environment, std::nullopt);
    }
  }
}

// Parameters: 1 title part, 2 class part.
TEST_F(ProgramCommandsTest, TerminateProgramClosesTheFirstMatchingWindow) {
  struct Case {
    const char* name;
    std::string parts;
    bool serverClosed;
  };
  const std::vector<Case> cases = {
      {"title part", "\"Console\" \"\"", true},
      {"class part", "\"\" Frame", true},
      {"both parts", "main ServerFrame", true},
      {"title is case-sensitive", "console \"\"", false},
      {"both empty", "\"\" \"\"", false},
      {"one part misses", "main Progman", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Run Program: C:\\Tools\\server.exe FALSE \"\" FALSE \"\"\nTerminate Program: " +
                                c.parts + "\n"));
    Prepare(runner);
    runner.RunAll();
    auto& processes = Machine(runner).processes;
    const auto names = processes.RunningProgramNames();
    EXPECT_EQ(std::find(names.begin(), names.end(), "server.exe") == names.end(), c.serverClosed);
    EXPECT_EQ(processes.closedWindows.empty(), !c.serverClosed) << "the shell's window stays untouched";
  }
}

TEST_F(ProgramCommandsTest, CheckProcessComparesFileNamesWithoutCase) {
  struct Case {
    std::string name;
    std::string result;
  };
  const std::vector<Case> cases = {{"EXPLORER.EXE", "TRUE"}, {"server.exe", "TRUE"}, {"explorer", "FALSE"},
                                   {"tool.exe", "FALSE"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Run Program: C:\\Tools\\server.exe FALSE \"\" FALSE \"\"\n"
                                "Run Program: C:\\Tools\\tool.exe FALSE \"\" TRUE \"\"\n"
                                "Check Process: " + c.name + " RESULT\n"));
    Prepare(runner);
    runner.RunAll();
    EXPECT_EQ(runner.Var("RESULT"), c.result);
  }
}

TEST_F(ProgramCommandsTest, CheckServiceNamesTheState) {
  struct Case {
    std::string parameters;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"spooler \"\"", "RUNNING"},        {"Halted \"\"", "STOPPED"},   {"Odd \"\"", "NOTINSTALLED"},
      {"Missing \"\"", "NOTINSTALLED"},   {"Halted \"\\\\.\"", "STOPPED"},  {"Halted OTHERHOST", "NOTINSTALLED"},
      {"Paused \"\"", "PAUSED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters);
    CommandRunner runner(Script("Check Service: " + c.parameters + " RESULT\n"));
    Prepare(runner);
    auto& states = Machine(runner).services.states;
    states["HALTED"] = 1;
    states["PAUSED"] = 7;
    states["ODD"] = 9;
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("RESULT"), c.result);
  }
}

// Parameters: 1 task, 2 computer, 3 at start, 4 at logon, 5 weekly, 6 days, 7 time, 8 online,
// 9 interactive|logged on, 10 program, 11 folder, 12 arguments, 13 account, 14 password.
TEST_F(ProgramCommandsTest, ScheduleTaskBuildsOneTrigger) {
  struct Case {
    const char* name;
    std::string triggers;  // parameters 3 to 9
    TaskTrigger trigger;
    uint16_t days;
    uint16_t hour;
    uint16_t minute;
    uint32_t flags;
  };
  constexpr uint32_t kLoggedOn = platform::kTaskFlagRunOnlyIfLoggedOn;
  const std::vector<Case> cases = {
      {"every day", "FALSE FALSE TRUE \"every day\" \"3:30 PM\" FALSE \"\"", TaskTrigger::Daily, 0, 15, 30, kLoggedOn},
      {"Friday", "FALSE FALSE TRUE Friday \"3:30 PM\" FALSE \"\"", TaskTrigger::Weekly, 0x20, 15, 30, kLoggedOn},
      {"Monday and Friday", "FALSE FALSE TRUE \"Friday, monday\" 09:05 FALSE \"\"", TaskTrigger::Weekly, 0x02, 9, 5,
       kLoggedOn},
      {"Sunday, time not a time", "FALSE FALSE TRUE SUNDAY soon FALSE \"\"", TaskTrigger::Weekly, 0x01, 0, 0, kLoggedOn},
      {"not weekly", "FALSE FALSE FALSE Friday \"3:30 PM\" FALSE \"\"", TaskTrigger::Daily, 0, 0, 0, kLoggedOn},
      {"at logon", "FALSE TRUE TRUE Friday 10:00 FALSE \"\"", TaskTrigger::AtLogon, 0x20, 10, 0, kLoggedOn},
      {"system start wins", "TRUE TRUE FALSE \"\" \"\" FALSE \"\"", TaskTrigger::AtSystemStart, 0, 0, 0, kLoggedOn},
      {"interactive, online", "FALSE FALSE FALSE \"\" \"\" TRUE TRUE|", TaskTrigger::Daily, 0, 0, 0,
       kLoggedOn | platform::kTaskFlagInteractive | platform::kTaskFlagRunIfConnectedToInternet},
      {"not only when logged on", "FALSE FALSE FALSE \"\" \"\" true true|FALSE", TaskTrigger::Daily, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Schedule Task: \"Nightly Job\" \"\" " + c.triggers +
                                " C:\\Tools\\tool.exe C:\\Tools -q admin pw\n"));
    Prepare(runner);
    runner.RunLine(0);
    const auto& tasks = Machine(runner).tasks.tasks;
    ASSERT_EQ(tasks.count("NIGHTLY JOB"), 1u);
    const platform::TaskDefinition& task = tasks.at("NIGHTLY JOB").definition;
    EXPECT_EQ(task.trigger, c.trigger);
    if (c.trigger == TaskTrigger::Weekly || c.days != 0) {
      EXPECT_EQ(task.weekDays, c.days);
    }
    EXPECT_EQ(task.startHour, c.hour);
    EXPECT_EQ(task.startMinute, c.minute);
    EXPECT_EQ(task.flags, c.flags);
    EXPECT_EQ(task.application, "C:\\Tools\\tool.exe");
    EXPECT_EQ(task.workingFolder, "C:\\Tools");
    EXPECT_EQ(task.parameters, "-q");
    EXPECT_EQ(task.account, "admin");
    EXPECT_EQ(tasks.at("NIGHTLY JOB").beginDate.size(), 10u);
  }
}

TEST_F(ProgramCommandsTest, DeleteScheduledTaskAndAnUnavailableScheduler) {
  for (bool available : {true, false}) {
    SCOPED_TRACE(available ? "scheduler running" : "scheduler missing");
    CommandRunner runner(Script("Schedule Task: Job \"\" FALSE FALSE FALSE \"\" \"\" FALSE \"\" a.exe \"\" \"\" \"\" \"\"\n"
                                "Schedule Task: Other \"\" FALSE FALSE FALSE \"\" \"\" FALSE \"\" b.exe \"\" \"\" \"\" \"\"\n"
                                "Delete Scheduled Task: job \"\"\n"));
    Prepare(runner);
    Machine(runner).tasks.schedulerAvailable = available;
    runner.RunAll();
    const auto& tasks = Machine(runner).tasks.tasks;
    EXPECT_EQ(tasks.size(), available ? 1u : 0u);
    EXPECT_EQ(tasks.count("OTHER"), available ? 1u : 0u);
  }
}

TEST_F(ProgramCommandsTest, RebootAndResumeWritesTheResumeEntryAndEndsTheScript) {
  struct Case {
    const char* name;
    std::string allUsers;
    std::string arguments;
    std::string wrapper;
    platform::RegistryRoot root;
    std::string command;
  };
  const std::vector<Case> cases = {
      {"current user", "FALSE", "", "", platform::RegistryRoot::CurrentUser, "C:\\Setup\\setup.exe"},
      {"machine, with arguments", "TRUE", "/s NAME=x", "", platform::RegistryRoot::LocalMachine,
       "C:\\Setup\\setup.exe /s NAME=x"},
      {"started from a wrapper", "TRUE", "", "D:\\Get\\product.exe", platform::RegistryRoot::LocalMachine,
       "D:\\Get\\product.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Reboot and Resume:\n"));
    Prepare(runner);
    runner.session.payload.productCode = "{12345678-9ABC-DEF0-1234-56789ABCDEF0}";
    runner.session.executablePath = "C:\\Setup\\setup.exe";
    runner.session.commandLine.rawArguments = c.arguments;
    runner.session.commandLine.wrapperPath = c.wrapper;
    runner.session.variables.SetVariable("ALLUSERS", c.allUsers, "Test");
    runner.RunLine(0);
    auto& registry = Machine(runner).registry;
    const auto value = registry.ReadValue(c.root, kRunOnceKey, "12345678", platform::RegistryView::Default);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->data, c.command);
    EXPECT_TRUE(runner.run.ended);
    EXPECT_EQ(Machine(runner).processes.restartsRequested, 1);
  }
}

TEST_F(ProgramCommandsTest, RebootComputerRequestsTheRestartAndEndsTheScript) {
  CommandRunner runner(Script("Reboot Computer:\n"));
  Prepare(runner);
  runner.RunLine(0);
  EXPECT_TRUE(runner.run.ended);
  EXPECT_EQ(Machine(runner).processes.restartsRequested, 1);
}

// Parameters: 1 file, 2 register, 3 result.
TEST_F(ProgramCommandsTest, RegisterLibraryByExtension) {
  struct Case {
    const char* name;
    std::string file;
    bool registering;
    std::string result;
    std::string commandLine;  // of an executable server
  };
  const std::vector<Case> cases = {
      {"type library", "C:\\Lib\\types.TLB", true, "TRUE", ""},
      {"library", "C:\\Lib\\server.dll", true, "TRUE", ""},
      {"unregistered", "C:\\Lib\\server.dll", false, "TRUE", ""},
      {"missing", "C:\\Lib\\none.dll", true, "FALSE", ""},
      {"executable", "C:\\Lib\\app.exe", true, "TRUE", "C:\\Lib\\app.exe /regserver"},
      {"executable unregistered", "C:\\Lib\\app.exe", false, "TRUE", "C:\\Lib\\app.exe /unregserver"},
      {"missing executable", "C:\\Lib\\none.exe", true, "FALSE", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Register Library: " + c.file + (c.registering ? " TRUE" : " FALSE") + " RESULT\n"));
    Prepare(runner);
    auto& machine = Machine(runner);
    machine.files.CreateDirectories("C:\\Lib");
    for (const char* name : {"types.tlb", "server.dll", "app.exe"}) machine.files.WriteFile(std::string("C:\\Lib\\") + name, "x");
    machine.processes.registeredLibraries.insert("C:\\LIB\\SERVER.DLL");
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("RESULT"), c.result);
    const auto* started = LastStarted(runner);
    EXPECT_EQ(started == nullptr ? "" : started->commandLine, c.commandLine);
    if (c.commandLine.empty() && c.result == "TRUE") {
      EXPECT_EQ(machine.processes.registeredLibraries.count(ToUpperAscii(c.file)), c.registering ? 1u : 0u);
    }
  }
}

TEST_F(ProgramCommandsTest, DotNetToolsFallBackToVersionOneWhenVersionTwoFails) {
  const std::string kMsil = "C:\\Windows\\assembly\\GAC_MSIL\\Lib\\1.0.0.0__abc\\Lib.dll";
  const std::string kGac32 = "C:\\Windows\\assembly\\GAC_32\\Lib\\1.0.0.0__abc\\Lib.dll";
  struct Case {
    const char* name;
    std::string line;
    bool versionTwoFails;
    std::vector<std::string> commandLines;
  };
  const char* kV2 = "C:\\Windows\\Microsoft.NET\\Framework\\v2.0.50727\\";
  const char* kV1 = "C:\\Windows\\Microsoft.NET\\Framework\\v1.1.4322\\";
  const std::vector<Case> cases = {
      {"strong name found in the MSIL cache", "Register Assembly: \"Lib, Version=1.0.0.0, Culture=neutral, PublicKeyToken=abc\"\n",
       false, {"\"" + std::string(kV2) + "regasm.exe\" /tlb \"" + kMsil + "\" /silent"}},
      {"unregister with code base, both versions",
       "Register Assembly: C:\\App\\My.dll|FALSE|TRUE\n", true,
       {"\"" + std::string(kV2) + "regasm.exe\" /tlb /unregister /codebase \"C:\\App\\My.dll\" /silent",
        "\"" + std::string(kV1) + "regasm.exe\" /tlb /unregister /codebase \"C:\\App\\My.dll\" /silent"}},
      {"native images", "Generate Native Images: C:\\App\\My.dll\n", true,
       {"\"" + std::string(kV2) + "ngen.exe\" install \"C:\\App\\My.dll\"",
        "\"" + std::string(kV1) + "ngen.exe\"  \"C:\\App\\My.dll\""}},
      {"native images removed", "Generate Native Images: C:\\App\\My.dll|FALSE\n", false,
       {"\"" + std::string(kV2) + "ngen.exe\" uninstall \"C:\\App\\My.dll\""}},
      {"installer class, uninstall", "Run .NET Installer Class: C:\\App\\My.dll FALSE\n", false,
       {"\"" + std::string(kV2) + "installutil.exe\" /u \"C:\\App\\My.dll\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script(c.line));
    Prepare(runner);
    auto& machine = Machine(runner);
    for (const std::string& file : {kMsil, kGac32}) {
      machine.files.CreateDirectories(FolderUpToBackslash(file));
      machine.files.WriteFile(file, "x");
    }
    for (const char* folder : {kV2, kV1}) {
      machine.files.CreateDirectories(folder);
      for (const char* tool : {"regasm.exe", "ngen.exe", "installutil.exe"})
        machine.files.WriteFile(std::string(folder) + tool, "MZ");
    }
    if (c.versionTwoFails) machine.processes.programs.push_back({"regasm.exe", 1, "", ""});
    if (c.versionTwoFails) machine.processes.programs.push_back({"ngen.exe", 1, "", ""});
    runner.RunLine(0);
    std::vector<std::string> started;
    for (const auto& process : machine.processes.processes)
      if (process.how == "open") {
        started.push_back(process.commandLine);
        EXPECT_EQ(process.show, ShowMode::Hide);
      }
    EXPECT_EQ(started, c.commandLines);
  }
}

// Parameters: 1 compiled script, 2 result, 3 arguments, 4 wait.
TEST_F(ProgramCommandsTest, RunLightModeSetupRunsTheBuiltSetupAndPutsEverythingBack) {
  const std::string kEngine = testing::MakePeImage({{0x400, 0x200}});
  struct Case {
    const char* name;
    std::string script;
    bool engineIsImage;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"child folder", "C:\\Child\\child.exe", true, "0"},
      {"beside the engine", "C:\\Setup\\child.exe", true, "0"},
      {"engine cannot be measured", "C:\\Child\\child.exe", false, "-1"},
      {"missing script", "C:\\Child\\none.exe", true, "-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Run Light Mode Setup: " + c.script + " RESULT \"/s X=1\" TRUE\n"));
    Prepare(runner);
    auto& files = Machine(runner).files;
    runner.session.executablePath = "C:\\Setup\\setup.exe";
    runner.session.executableFolder = "C:\\Setup\\";
    files.CreateDirectories("C:\\Setup");
    files.CreateDirectories("C:\\Child");
    files.WriteFile("C:\\Setup\\setup.exe", c.engineIsImage ? kEngine + "payload of the engine" : "not an image");
    files.WriteFile("C:\\Setup\\zvk.lib", "library");
    files.WriteFile("C:\\Setup\\child.exe", "child script");
    files.WriteFile("C:\\Child\\child.exe", "child script");
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("RESULT"), c.result);
    const auto* started = LastStarted(runner);
    if (c.result == "-1") {
      EXPECT_EQ(started, nullptr);
    } else {
      ASSERT_NE(started, nullptr);
      EXPECT_EQ(started->commandLine, "\"" + c.script + "\" /s X=1");
      EXPECT_EQ(started->show, ShowMode::Show);
    }
    if (c.script != "C:\\Child\\none.exe") {
      EXPECT_EQ(files.ReadFile(c.script), "child script") << "the script is back under its name";
    }
    EXPECT_FALSE(files.FileExists(c.script + ".nox"));
    EXPECT_FALSE(files.FileExists(c.script + ".to"));
    EXPECT_FALSE(files.FileExists("C:\\Child\\zvk.lib")) << "the copied library is gone";
    EXPECT_EQ(files.ReadFile("C:\\Setup\\zvk.lib"), "library") << "the engine's own library stays";
  }
}

TEST(StartTimeTest, ReadsUnitedStatesTimes) {
  struct Case {
    const char* text;
    std::optional<std::pair<uint16_t, uint16_t>> time;
  };
  const std::vector<Case> cases = {
      {"3:30 PM", std::pair<uint16_t, uint16_t>{15, 30}}, {"12:00 AM", std::pair<uint16_t, uint16_t>{0, 0}},
      {"12:15 pm", std::pair<uint16_t, uint16_t>{12, 15}}, {"23:59:10", std::pair<uint16_t, uint16_t>{23, 59}},
      {"7 AM", std::pair<uint16_t, uint16_t>{7, 0}},      {"24:00", std::nullopt},
      {"13:00 PM", std::nullopt},                        {"7", std::nullopt},
      {"noon", std::nullopt},                            {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseStartTime(c.text), c.time);
  }
}

}  // namespace
}  // namespace quarrix

namespace quarrix {
namespace {

// A package listing one assembly, beside a support folder; the tools' exit codes as given.
struct AssemblySetup {
  CommandRunner runner{Script("Remove Assemblies\n")};
  bool built = false;

  AssemblySetup() {
    auto& machine = Machine(runner);
    const auto host = testing::BuildTestPackage(*machine.files.HostPath("C:\\Setup"));
    if (!host) return;
    const std::string sql =
        "CREATE TABLE `MsiAssembly` (`Component_` CHAR(72) NOT NULL, `Feature_` CHAR(38) NOT NULL, "
        "`File_Manifest` CHAR(72), `File_Application` CHAR(72), `Attributes` INT PRIMARY KEY `Component_`)\n"
        "CREATE TABLE `MsiAssemblyName` (`Component_` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL, "
        "`Value` CHAR(255) NOT NULL PRIMARY KEY `Component_`, `Name`)\n"
        "INSERT INTO `MsiAssembly` (`Component_`, `Feature_`) VALUES ('Main', 'All')\n"
        "INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Main', 'Name', 'Probe.Lib')\n"
        "INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Main', 'Version', '1.0.0.0')";
    for (size_t at = 0, end; at < sql.size(); at = end + 1) {
      end = sql.find('\n', at);
      if (end == std::string::npos) end = sql.size();
      std::string statement;  // in single quotes for the shell
      for (char c : sql.substr(at, end - at)) statement += c == '\'' ? std::string("'\\''") : std::string(1, c);
      if (!testing::RunTool("msibuild '" + host->string() + "' -q '" + statement + "'")) return;
    }
    runner.session.run.packagePath = "C:\\Setup\\setup.msi";
    runner.session.supportFolder = "C:\\Temp\\zvk1\\";
    machine.files.CreateDirectories(runner.session.supportFolder);
    built = true;
  }
  std::vector<std::string> Runs() {
    std::vector<std::string> runs;
    for (const auto& process : Machine(runner).processes.processes)
      if (process.how != "system") runs.push_back(process.fileName + " " + process.commandLine);
    return runs;
  }
};

TEST(RemoveAssemblies, EachAssemblyGoesThroughTheSupportToolThenTheFrameworkToolWhenThatFailed) {
  struct Case {
    const char* name;
    bool supportTool;       // the setup ships mgac.exe in its support files
    int32_t supportExit;
    bool frameworkUsed;
  };
  const Case cases[] = {
      {"the support tool succeeds", true, 0, false},
      {"the support tool fails", true, 3, true},
      {"no support tool", false, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AssemblySetup setup;
    if (!setup.built) GTEST_SKIP() << "wixl and msibuild are needed";
    auto& machine = Machine(setup.runner);
    if (c.supportTool) {
      machine.files.WriteFile("C:\\Temp\\zvk1\\mgac.exe", "MZ");
      machine.processes.programs.push_back({"mgac.exe", c.supportExit, "", ""});
    }
    const std::string framework = machine.processes.WindowsFolder() + "Microsoft.NET\\Framework\\v1.1.4322\\";
    machine.files.CreateDirectories(framework);
    machine.files.WriteFile(framework + "gacutil.exe", "MZ");
    setup.runner.RunLine(0);
    const std::vector<std::string> runs = setup.Runs();
    const bool frameworkRan = std::any_of(runs.begin(), runs.end(), [](const std::string& run) {
      return run.find("gacutil.exe") != std::string::npos && run.find("/u Probe.Lib,Version=1.0.0.0") != std::string::npos;
    });
    EXPECT_EQ(frameworkRan, c.frameworkUsed) << ::testing::PrintToString(runs);
    if (c.supportTool) {
      ASSERT_FALSE(runs.empty());
      EXPECT_NE(runs.front().find("/u Probe.Lib,Version=1.0.0.0"), std::string::npos) << runs.front();
    }
  }
}

}  // namespace
}  // namespace quarrix

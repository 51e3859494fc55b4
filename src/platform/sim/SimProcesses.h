#pragma once
// The simulated machine's programs and process table. A started program behaves as its entry in
// the programs table says (default: it ends with exit code 0 once waited for); every start is
// recorded with its command line. The restart request is recorded, never performed.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace quarrix::platform::sim {

class SimFileSystem;

struct SimProgram {
  std::string fileName;           // file name without folder, compared without regard to case
  std::optional<int32_t> exitCode;  // nothing: runs until its window is closed
  std::string windowClass;        // its top-level window while it runs; none when both are empty
  std::string windowTitle;
};

struct SimProcess {
  ProcessHandle id = 0;
  std::string fileName;
  std::string how;  // "open", "create", "logon USER", "de-elevated", or "system" for the machine's own
  std::string commandLine;
  std::string folder;
  ShowMode show = ShowMode::Show;
  bool running = true;
  int32_t exitCode = kStillActive;
  std::optional<int32_t> plannedExit;  // what it ends with once waited for; nothing: runs on
  std::string windowClass;
  std::string windowTitle;
  std::optional<std::vector<std::string>> environment;
};

class SimProcesses : public Processes {
 public:
  explicit SimProcesses(SimFileSystem& files);

  std::vector<SimProgram> programs;
  std::vector<SimProcess> processes;  // in start order; the last one is on top of the Z order
  // user -> password, for starts under other credentials
  std::map<std::string, std::string> accounts;
  bool deelevationApplies = false;  // an elevated setup below a shell of medium integrity
  std::set<std::string> registeredLibraries;  // upper-cased paths
  std::string windowsFolder = "C:\\Windows\\";
  int restartsRequested = 0;  // since the machine last started
  std::vector<WindowHandle> closedWindows;

  std::optional<ProcessHandle> ShellOpen(const std::string& file, const std::string& arguments,
                                         const std::string& folder, bool show) override;
  std::optional<ProcessHandle> Create(const ProgramStart& start) override;
  StartOutcome CreateWithLogon(const ProgramStart& start, const std::string& user, const std::string& domain,
                               const std::string& password) override;
  std::optional<StartOutcome> CreateDeelevated(const ProgramStart& start) override;
  bool WaitForExit(ProcessHandle process, uint32_t timeoutMs) override;
  int32_t ExitCode(ProcessHandle process) override;
  void Release(ProcessHandle) override {}
  std::vector<std::string> RunningProgramNames() override;
  std::vector<TopLevelWindow> TopLevelWindows() override;
  void PostClose(WindowHandle window) override;
  bool RegisterTypeLibrary(const std::string& path, bool registering) override;
  bool CallServerRegistration(const std::string& path, bool registering) override;
  std::string WindowsFolder() override { return windowsFolder; }
  bool RequestRestart() override {
    ++restartsRequested;
    return true;
  }

  // The machine starts again: every process ends and the restart request is used up.
  void Restart();
  // Processes that would have ended by the time anyone looks again (they only waited for a wait).
  void SettleFinished();
  const SimProcess* Find(ProcessHandle process) const;

 private:
  SimProcess* FindMutable(ProcessHandle process);
  // The program a command line or file names, if the machine has it.
  std::optional<std::string> Locate(const std::string& program) const;
  ProcessHandle Launch(const std::string& path, std::string how, const ProgramStart& start, std::string folder);
  bool Register(const std::string& path, bool registering);

  SimFileSystem& files_;
};

// The program of a command line: the quoted first part, or everything up to the first blank.
std::string ProgramOfCommandLine(const std::string& commandLine);

}  // namespace quarrix::platform::sim

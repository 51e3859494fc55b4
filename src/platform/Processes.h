#pragma once
// Programs the engine starts and waits for, the processes and top-level windows it looks for,
// library registration and the restart of the machine.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarrix::platform {

// A started process the caller may wait for; 0 stands for none.
using ProcessHandle = uint64_t;
using WindowHandle = uint64_t;

// ShowWindow codes a start hands to the new program.
enum class ShowMode : int32_t { Hide = 0, ShowMinimized = 2, Maximize = 3, Show = 5, ShowMinNoActive = 7 };

// GetExitCodeProcess of a process that has not ended.
inline constexpr int32_t kStillActive = 259;

// What a start that can fail in several ways tells: the process when it started, otherwise the
// code the engine reports for the failure.
struct StartOutcome {
  ProcessHandle process = 0;
  int32_t failureCode = 0;
  static StartOutcome Started(ProcessHandle process) { return {process, 0}; }
  static StartOutcome Failed(int32_t code) { return {0, code}; }
};

// A program start through CreateProcess and its relatives. The environment, when present, is the
// child's whole environment, one "NAME=value" a line; absent, the child inherits the engine's.
struct ProgramStart {
  std::string commandLine;
  std::optional<std::vector<std::string>> environment;
  ShowMode show = ShowMode::Show;
};

struct TopLevelWindow {
  WindowHandle window = 0;
  std::string className;
  std::string title;
};

class Processes {
 public:
  virtual ~Processes() = default;

  // Opens a program, document or web address through the shell ("open" verb, then no verb) in
  // folder. Nothing when both attempts fail.
  virtual std::optional<ProcessHandle> ShellOpen(const std::string& file, const std::string& arguments,
                                                 const std::string& folder, bool show) = 0;
  // CreateProcess of the command line; nothing when it fails.
  virtual std::optional<ProcessHandle> Create(const ProgramStart& start) = 0;
  // CreateProcessWithLogonW with the user's profile: -1 when the system lacks the function, -11
  // when the call fails.
  virtual StartOutcome CreateWithLogon(const ProgramStart& start, const std::string& user, const std::string& domain,
                                       const std::string& password) = 0;
  // The start with the desktop shell's rights while the engine runs elevated. Nothing when the
  // system gives no reason to de-elevate (no shell of medium integrity, the engine not of high
  // integrity, no debug privilege): the caller starts the program plainly then. Failure codes -7 to
  // -11, and 0 when the system lacks CreateProcessWithTokenW.
  virtual std::optional<StartOutcome> CreateDeelevated(const ProgramStart& start) = 0;

  // Waits up to timeoutMs for the process to end; true once it has.
  virtual bool WaitForExit(ProcessHandle process, uint32_t timeoutMs) = 0;
  // The exit code, or kStillActive while the process runs.
  virtual int32_t ExitCode(ProcessHandle process) = 0;
  // Lets go of the handle; the process itself runs on.
  virtual void Release(ProcessHandle process) = 0;

  // The executable file names (no folder) of every running process.
  virtual std::vector<std::string> RunningProgramNames() = 0;
  // The desktop's top-level windows in Z order.
  virtual std::vector<TopLevelWindow> TopLevelWindows() = 0;
  // Posts WM_CANCELMODE and then WM_CLOSE; does not wait.
  virtual void PostClose(WindowHandle window) = 0;

  // The type library's registration (RegisterTypeLib / UnRegisterTypeLib).
  virtual bool RegisterTypeLibrary(const std::string& path, bool registering) = 0;
  // A library's own DllRegisterServer or DllUnregisterServer answering S_OK.
  virtual bool CallServerRegistration(const std::string& path, bool registering) = 0;

  // The Windows folder with a trailing backslash.
  virtual std::string WindowsFolder() = 0;
  // Asks the system to restart (shutdown privilege enabled first). False when it refused.
  virtual bool RequestRestart() = 0;
};

}  // namespace quarrix::platform

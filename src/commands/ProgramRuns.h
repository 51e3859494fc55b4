#pragma once
// The portable parts of the program commands: how a start is chosen and waited for, and the
// texts and tables the commands turn into platform requests.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/ScheduledTasks.h"
#include "platform/SystemInfo.h"

namespace quarrix {

inline constexpr const char* kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
inline constexpr const char* kDeelevationMarker = "$VELD_UAC$";

struct ProgramRequest {
  enum class Kind { Shell, Create };
  Kind kind = Kind::Shell;
  std::string program;
  std::string arguments;
  std::string folder;  // Shell: the folder the program runs in
  platform::ShowMode show = platform::ShowMode::Show;
  bool wait = false;
  std::string user;
  std::string domain;
  std::string password;
  std::optional<std::vector<std::string>> environment;
};

// Asked between waits: true ends the wait (the program runs on).
using StopWaiting = std::function<bool()>;

// Waits in 1000 ms steps until the process ends or stop says so; then its exit code (259 while
// it still runs). Releases the process.
int32_t FinishRun(platform::Processes& processes, platform::ProcessHandle process, bool wait, const StopWaiting& stop);

// The shell start: -1 when it cannot be started, else the exit code.
int32_t ShellRun(platform::Processes& processes, const std::string& file, const std::string& arguments,
                 const std::string& folder, bool wait, bool show, const StopWaiting& stop);

// A whole program request as the worker carries it out.
int32_t RunProgramRequest(platform::Processes& processes, const platform::WindowsVersion& version,
                          const ProgramRequest& request, const StopWaiting& stop);

// The window mode of "Run Program As": 0 shown, 1 hidden, 2 maximised, 3 minimised, 4 minimised
// without activation; any other text shows the window.
platform::ShowMode WindowModeShow(std::string_view text);
// The environment text split into its lines at CR LF; nothing for an empty text.
std::optional<std::vector<std::string>> EnvironmentLines(const std::string& text);

// Both parts are case-sensitive substrings; an empty part matches every window.
bool WindowMatches(const platform::TopLevelWindow& window, std::string_view titlePart, std::string_view classPart);

// "STOPPED" to "PAUSED" for the states 1 to 7, "NOTINSTALLED" otherwise.
std::string ServiceStateName(std::optional<uint32_t> state);

// The texts of a task line after expansion.
struct TaskRequest {
  std::string name, computer, atSystemStart, atLogon, weekly, dayText, startTime, internet, interactiveAndLoggedOn,
      application, workingFolder, parameters, account, password;
};
platform::TaskDefinition TaskDefinitionOf(const TaskRequest& request);
// A time of day as United States English writes it ("3:30 PM", "15:30", "9:05:00 am"); nothing
// when the text is not one.
std::optional<std::pair<uint16_t, uint16_t>> ParseStartTime(std::string_view text);

std::string ResumeEntryName(std::string_view productCode);

// By extension: type library, server executable (started with /regserver or /unregserver, not
// waited for) or library exporting its own registration.
bool RegisterLibraryFile(platform::Processes& processes, const std::string& file, bool registering);

// A strong name ("Name, Version=..., Culture=..., PublicKeyToken=...") as the first file of the
// global assembly cache that holds it; unchanged when none does.
std::string ResolveStrongName(platform::FileSystem& files, const std::string& windowsFolder, const std::string& name);

}  // namespace quarrix

#include "commands/ProgramRuns.h"

#include <array>

#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "engine/VariableManager.h"

namespace quarrix {

using platform::ProcessHandle;
using platform::Processes;
using platform::ShowMode;

namespace {

constexpr uint32_t kWaitStepMs = 1000;
constexpr int32_t kCannotStart = -1;
constexpr int32_t kCreateFailed = -11;

int32_t CreateRun(Processes& processes, const platform::ProgramStart& start, bool wait, const StopWaiting& stop) {
  std::optional<ProcessHandle> process = processes.Create(start);
  if (!process) return kCreateFailed;
  return FinishRun(processes, *process, wait, stop);
}

int32_t Finish(Processes& processes, const platform::StartOutcome& outcome, bool wait, const StopWaiting& stop) {
  if (outcome.process == 0) return outcome.failureCode;
  return FinishRun(processes, outcome.process, wait, stop);
}

}  // namespace

int32_t FinishRun(Processes& processes, ProcessHandle process, bool wait, const StopWaiting& stop) {
  if (wait) {
    while (!processes.WaitForExit(process, kWaitStepMs))
      if (stop && stop()) break;
  }
  const int32_t code = processes.ExitCode(process);
  processes.Release(process);
  return code;
}

int32_t ShellRun(Processes& processes, const std::string& file, const std::string& arguments, const std::string& folder,
                 bool wait, bool show, const StopWaiting& stop) {
  std::optional<ProcessHandle> process = processes.ShellOpen(file, arguments, folder, show);
  if (!process) return kCannotStart;
  return FinishRun(processes, *process, wait, stop);
}

int32_t RunProgramRequest(Processes& processes, const platform::WindowsVersion& version, const ProgramRequest& request,
                          const StopWaiting& stop) {
  if (request.kind == ProgramRequest::Kind::Shell)
    return ShellRun(processes, request.program, request.arguments, request.folder, request.wait,
                    request.show != ShowMode::Hide, stop);

  platform::ProgramStart start;
  start.commandLine = "\"" + request.program + "\" " + request.arguments;
  start.environment = request.environment;
  start.show = request.show;
  if (request.user == kDeelevationMarker) {
    if (version.ntFamily && version.major > 5) {
      if (std::optional<platform::StartOutcome> outcome = processes.CreateDeelevated(start))
        return Finish(processes, *outcome, request.wait, stop);
    }
    return CreateRun(processes, start, request.wait, stop);
  }
  if (!request.user.empty() && version.ntFamily)
    return Finish(processes, processes.CreateWithLogon(start, request.user, request.domain, request.password),
                  request.wait, stop);
  return CreateRun(processes, start, request.wait, stop);
}

ShowMode WindowModeShow(std::string_view text) {
  static constexpr std::array<ShowMode, 5> kModes = {ShowMode::Show, ShowMode::Hide, ShowMode::Maximize,
                                                     ShowMode::ShowMinimized, ShowMode::ShowMinNoActive};
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '4') return kModes[static_cast<size_t>(text[0] - '0')];
  return ShowMode::Show;
}

std::optional<std::vector<std::string>> EnvironmentLines(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

bool WindowMatches(const platform::TopLevelWindow& window, std::string_view titlePart, std::string_view classPart) {
  // The system hands out at most 260 characters of each.
  const std::string_view className = std::string_view(window.className).substr(0, 260);
  const std::string_view title = std::string_view(window.title).substr(0, 260);
  return (classPart.empty() || className.find(classPart) != std::string_view::npos) &&
         (titlePart.empty() || title.find(titlePart) != std::string_view::npos);
}

std::string ServiceStateName(std::optional<uint32_t> state) {
  static constexpr std::array<const char*, 7> kNames = {"STOPPED",          "STARTING",      "STOPPING", "RUNNING",
                                                        "CONTINUE_PENDING", "PAUSE_PENDING", "PAUSED"};
  if (!state || *state < 1 || *state > 7) return "NOTINSTALLED";
  return kNames[*state - 1];
}

std::optional<std::pair<uint16_t, uint16_t>> ParseStartTime(std::string_view text) {
  size_t at = 0;
  auto skipBlanks = [&] {
    while (at < text.size() && text[at] == ' ') ++at;
  };
  auto number = [&](int maxDigits) -> std::optional<int> {
    int value = 0;
    int digits = 0;
    while (at < text.size() && digits < maxDigits && text[at] >= '0' && text[at] <= '9') {
      value = value * 10 + (text[at++] - '0');
      ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
  };
  skipBlanks();
  std::optional<int> hour = number(2);
  if (!hour) return std::nullopt;
  int minute = 0;
  bool hadMinutes = false;
  if (at < text.size() && text[at] == ':') {
    ++at;
    std::optional<int> minutes = number(2);
    if (!minutes || *minutes > 59) return std::nullopt;
    minute = *minutes;
    hadMinutes = true;
    if (at < text.size() && text[at] == ':') {
      ++at;
      std::optional<int> seconds = number(2);
      if (!seconds || *seconds > 59) return std::nullopt;
    }
  }
  skipBlanks();
  const std::string suffix = ToUpperAscii(text.substr(at));
  if (suffix == "AM" || suffix == "PM") {
    if (*hour < 1 || *hour > 12) return std::nullopt;
    *hour %= 12;
    if (suffix == "PM") *hour += 12;
  } else if (!suffix.empty() || !hadMinutes || *hour > 23) {
    return std::nullopt;
  }
  return std::pair<uint16_t, uint16_t>{static_cast<uint16_t>(*hour), static_cast<uint16_t>(minute)};
}

platform::TaskDefinition TaskDefinitionOf(const TaskRequest& request) {
  platform::TaskDefinition task;
  task.name = request.name;
  task.computer = request.computer;
  task.workingFolder = request.workingFolder;
  task.parameters = request.parameters;
  task.application = request.application;

  const size_t bar = request.interactiveAndLoggedOn.find('|');
  const std::string left = request.interactiveAndLoggedOn.substr(0, bar);
  const std::string right = bar == std::string::npos ? "" : request.interactiveAndLoggedOn.substr(bar + 1);
  task.flags = (right.empty() || IsTrue(right)) ? platform::kTaskFlagRunOnlyIfLoggedOn : 0;
  if (left == "TRUE") task.flags |= platform::kTaskFlagInteractive;
  if (request.internet == "TRUE") task.flags |= platform::kTaskFlagRunIfConnectedToInternet;

  task.trigger = platform::TaskTrigger::Daily;
  if (request.weekly == "TRUE") {
    if (auto time = ParseStartTime(request.startTime)) {
      task.startHour = time->first;
      task.startMinute = time->second;
    }
    static constexpr std::array<const char*, 7> kDays = {"MONDAY", "TUESDAY",  "WEDNESDAY", "THURSDAY",
                                                         "FRIDAY", "SATURDAY", "SUNDAY"};
    const std::string days = ToUpperAscii(request.dayText);
    for (size_t i = 0; i < kDays.size(); ++i) {
      if (days.find(kDays[i]) == std::string::npos) continue;
      task.trigger = platform::TaskTrigger::Weekly;
      // TASK_SUNDAY is the lowest bit, Monday the next.
      task.weekDays = i == 6 ? platform::kTaskSunday : static_cast<uint16_t>(platform::kTaskMonday << i);
      break;
    }
  }
  if (request.atLogon == "TRUE") task.trigger = platform::TaskTrigger::AtLogon;
  if (request.atSystemStart == "TRUE") task.trigger = platform::TaskTrigger::AtSystemStart;
  task.account = request.account;
  task.password = request.password;
  return task;
}

std::string ResumeEntryName(std::string_view productCode) {
  return std::string(productCode.substr(productCode.empty() ? 0 : 1, 8));
}

bool RegisterLibraryFile(Processes& processes, const std::string& file, bool registering) {
  const std::string extension = ToUpperAscii(ExtensionOf(file));
  if (extension == ".TLB") return processes.RegisterTypeLibrary(file, registering);
  if (extension == ".EXE") {
    platform::ProgramStart start;
    start.commandLine = file + (registering ? " /regserver" : " /unregserver");
    std::optional<ProcessHandle> process = processes.Create(start);
    if (!process) return false;
    processes.Release(*process);
    return true;
  }
  return processes.CallServerRegistration(file, registering);
}

std::string ResolveStrongName(platform::FileSystem& files, const std::string& windowsFolder, const std::string& name) {
  auto after = [&name](std::string_view marker, bool toComma) {
    const size_t at = name.find(marker);
    if (at == std::string::npos) return std::string();
    const size_t start = at + marker.size();
    return name.substr(start, toComma ? name.find(',', start) - start : std::string::npos);
  };
  const std::string base = name.substr(0, name.find(','));
  const std::string version = after("Version=", true);
  const std::string token = after("PublicKeyToken=", false);
  for (const char* cache : {"GAC_MSIL\\", "GAC_32\\", "GAC_64\\", "GAC\\"}) {
    const std::string candidate = windowsFolder + "assembly\\" + cache + base + "\\" + version + "__" + token + "\\" +
                                  base + ".dll";
    if (files.FileExists(candidate)) return candidate;
  }
  return name;
}

}  // namespace quarrix

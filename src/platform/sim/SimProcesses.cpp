#include "platform/sim/SimProcesses.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "platform/sim/SimFileSystem.h"

namespace quarrix::platform::sim {

std::string ProgramOfCommandLine(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t close = commandLine.find('"', 1);
    return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return commandLine.substr(0, commandLine.find(' '));
}

SimProcesses::SimProcesses(SimFileSystem& files) : files_(files) {
  // The desktop shell every session has: its window is what de-elevation and window walks meet.
  SimProcess shell;
  shell.id = 1;
  shell.fileName = "explorer.exe";
  shell.how = "system";
  shell.commandLine = "C:\\Windows\\explorer.exe";
  shell.windowClass = "Progman";
  shell.windowTitle = "Program Manager";
  processes.push_back(shell);
}

const SimProcess* SimProcesses::Find(ProcessHandle process) const {
  for (const SimProcess& entry : processes)
    if (entry.id == process) return &entry;
  return nullptr;
}

SimProcess* SimProcesses::FindMutable(ProcessHandle process) {
  return const_cast<SimProcess*>(static_cast<const SimProcesses&>(*this).Find(process));
}

std::optional<std::string> SimProcesses::Locate(const std::string& program) const {
  if (program.empty()) return std::nullopt;
  if (files_.FileExists(program)) return program;
  // A bare name is found on the search path: the system folders, or a program the table knows.
  if (program.find('\\') != std::string::npos || program.find(':') != std::string::npos) return std::nullopt;
  for (const std::string& folder : {windowsFolder + "System32\\", windowsFolder}) {
    for (const std::string& name : {program, program + ".exe"})
      if (files_.FileExists(folder + name)) return folder + name;
  }
  for (const SimProgram& known : programs)
    if (EqualsIgnoreCase(known.fileName, program) || EqualsIgnoreCase(known.fileName, program + ".exe"))
      return known.fileName;
  return std::nullopt;
}

ProcessHandle SimProcesses::Launch(const std::string& path, std::string how, const ProgramStart& start,
                                   std::string folder) {
  SimProcess process;
  ProcessHandle highest = 0;
  for (const SimProcess& entry : processes) highest = std::max(highest, entry.id);
  process.id = highest + 1;
  process.fileName = FileNameAfterBackslash(path);
  process.how = std::move(how);
  process.commandLine = start.commandLine;
  process.folder = std::move(folder);
  process.show = start.show;
  process.environment = start.environment;
  process.plannedExit = 0;
  for (const SimProgram& known : programs) {
    if (!EqualsIgnoreCase(known.fileName, process.fileName)) continue;
    process.plannedExit = known.exitCode;
    process.windowClass = known.windowClass;
    process.windowTitle = known.windowTitle;
    break;
  }
  processes.push_back(std::move(process));
  return processes.back().id;
}

std::optional<ProcessHandle> SimProcesses::ShellOpen(const std::string& file, const std::string& arguments,
                                                     const std::string& folder, bool show) {
  ProgramStart start;
  start.commandLine = arguments.empty() ? file : "\"" + file + "\" " + arguments;
  start.show = show ? ShowMode::Show : ShowMode::Hide;
  // A web address goes to the browser, which the simulated machine treats as one more program.
  if (file.find("://") != std::string::npos) return Launch("browser.exe", "open", start, folder);
  std::optional<std::string> found = Locate(file);
  if (!found && !folder.empty() && file.find('\\') == std::string::npos) found = Locate(folder + file);
  if (!found) return std::nullopt;
  return Launch(*found, "open", start, folder);
}

std::optional<ProcessHandle> SimProcesses::Create(const ProgramStart& start) {
  std::optional<std::string> found = Locate(ProgramOfCommandLine(start.commandLine));
  if (!found) return std::nullopt;
  return Launch(*found, "create", start, "");
}

StartOutcome SimProcesses::CreateWithLogon(const ProgramStart& start, const std::string& user, const std::string& domain,
                                           const std::string& password) {
  auto account = accounts.find(domain.empty() || domain == "." ? user : domain + "\\" + user);
  std::optional<std::string> found = Locate(ProgramOfCommandLine(start.commandLine));
  if (account == accounts.end() || account->second != password || !found) return StartOutcome::Failed(-11);
  return StartOutcome::Started(Launch(*found, "logon " + account->first, start, ""));
}

std::optional<StartOutcome> SimProcesses::CreateDeelevated(const ProgramStart& start) {
  if (!deelevationApplies) return std::nullopt;
  std::optional<std::string> found = Locate(ProgramOfCommandLine(start.commandLine));
  if (!found) return StartOutcome::Failed(-11);
  return StartOutcome::Started(Launch(*found, "de-elevated", start, ""));
}

bool SimProcesses::WaitForExit(ProcessHandle handle, uint32_t timeoutMs) {
  SimProcess* process = FindMutable(handle);
  if (process == nullptr) return true;
  if (process->running && process->plannedExit) {
    process->running = false;
    process->exitCode = *process->plannedExit;
  }
  if (!process->running) return true;
  // A program that runs on: a short real pause, so that a waiting thread does not spin.
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(timeoutMs, 2)));
  return false;
}

int32_t SimProcesses::ExitCode(ProcessHandle handle) {
  const SimProcess* process = Find(handle);
  return process == nullptr ? kStillActive : process->exitCode;
}

std::vector<std::string> SimProcesses::RunningProgramNames() {
  std::vector<std::string> names;
  for (const SimProcess& process : processes)
    if (process.running) names.push_back(process.fileName);
  return names;
}

std::vector<TopLevelWindow> SimProcesses::TopLevelWindows() {
  std::vector<TopLevelWindow> windows;
  for (auto it = processes.rbegin(); it != processes.rend(); ++it) {
    if (!it->running || (it->windowClass.empty() && it->windowTitle.empty())) continue;
    windows.push_back({it->id, it->windowClass, it->windowTitle});
  }
  return windows;
}

void SimProcesses::PostClose(WindowHandle window) {
  closedWindows.push_back(window);
  SimProcess* process = FindMutable(window);
  if (process == nullptr || !process->running) return;
  process->running = false;
  process->exitCode = process->plannedExit.value_or(0);
}

bool SimProcesses::Register(const std::string& path, bool registering) {
  if (!files_.FileExists(path)) return false;
  if (registering)
    registeredLibraries.insert(ToUpperAscii(path));
  else
    registeredLibraries.erase(ToUpperAscii(path));
  return true;
}

bool SimProcesses::RegisterTypeLibrary(const std::string& path, bool registering) { return Register(path, registering); }

bool SimProcesses::CallServerRegistration(const std::string& path, bool registering) {
  return Register(path, registering);
}

void SimProcesses::Restart() {
  std::erase_if(processes, [](const SimProcess& process) { return process.how != "system"; });
  restartsRequested = 0;
  closedWindows.clear();
}

void SimProcesses::SettleFinished() {
  for (SimProcess& process : processes) {
    if (!process.running || !process.plannedExit) continue;
    process.running = false;
    process.exitCode = *process.plannedExit;
  }
}

}  // namespace quarrix::platform::sim

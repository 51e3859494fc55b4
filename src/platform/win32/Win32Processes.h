#pragma once
// Program starts, waits, process and window walks, library registration and restarts through
// Win32; the service control manager; the Task Scheduler 1.0 interfaces.
#include "platform/Processes.h"
#include "platform/ScheduledTasks.h"
#include "platform/Services.h"

namespace quarrix::platform::win32 {

class Win32Processes : public Processes {
 public:
  std::optional<ProcessHandle> ShellOpen(const std::string& file, const std::string& arguments,
                                         const std::string& folder, bool show) override;
  std::optional<ProcessHandle> Create(const ProgramStart& start) override;
  StartOutcome CreateWithLogon(const ProgramStart& start, const std::string& user, const std::string& domain,
                               const std::string& password) override;
  std::optional<StartOutcome> CreateDeelevated(const ProgramStart& start) override;
  bool WaitForExit(ProcessHandle process, uint32_t timeoutMs) override;
  int32_t ExitCode(ProcessHandle process) override;
  void Release(ProcessHandle process) override;
  std::vector<std::string> RunningProgramNames() override;
  std::vector<TopLevelWindow> TopLevelWindows() override;
  void PostClose(WindowHandle window) override;
  bool RegisterTypeLibrary(const std::string& path, bool registering) override;
  bool CallServerRegistration(const std::string& path, bool registering) override;
  std::string WindowsFolder() override;
  // Under Wine the request stops after the privilege: Wine's ExitWindowsEx would end every
  // process of the prefix (this engine too) and restarts nothing.
  bool RequestRestart() override;
};

class Win32Services : public Services {
 public:
  std::optional<uint32_t> QueryState(const std::string& service, const std::string& computer) override;
};

class Win32Tasks : public ScheduledTasks {
 public:
  TaskOutcome Save(const TaskDefinition& task) override;
  bool Delete(const std::string& name, const std::string& computer) override;
};

}  // namespace quarrix::platform::win32

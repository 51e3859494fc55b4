#pragma once
// The task scheduler: tasks with one trigger each, saved under their name on a computer.
#include <cstdint>
#include <string>

namespace quarrix::platform {

enum class TaskTrigger { Daily, Weekly, AtSystemStart, AtLogon };

// TASK_FLAG_* and TASK_* day bits.
inline constexpr uint32_t kTaskFlagInteractive = 0x1;
inline constexpr uint32_t kTaskFlagRunIfConnectedToInternet = 0x400;
inline constexpr uint32_t kTaskFlagRunOnlyIfLoggedOn = 0x2000;
inline constexpr uint16_t kTaskSunday = 0x1;
inline constexpr uint16_t kTaskMonday = 0x2;

struct TaskDefinition {
  std::string name;
  std::string computer;  // empty: this computer
  std::string application;
  std::string workingFolder;
  std::string parameters;
  uint32_t flags = 0;
  TaskTrigger trigger = TaskTrigger::Daily;
  uint16_t weekDays = 0;  // weekly only
  uint16_t startHour = 0;
  uint16_t startMinute = 0;
  std::string account;
  std::string password;
};

enum class TaskOutcome { Saved, SchedulerUnavailable, Failed };

class ScheduledTasks {
 public:
  virtual ~ScheduledTasks() = default;

  // Creates the task, or changes the one of that name (whose other settings stay), gives it the
  // one trigger of the definition beginning today, and saves it.
  virtual TaskOutcome Save(const TaskDefinition& task) = 0;
  // False when the scheduler or the task is not there.
  virtual bool Delete(const std::string& name, const std::string& computer) = 0;
};

}  // namespace quarrix::platform

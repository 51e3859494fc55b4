#include "platform/sim/SimServices.h"
#include <cstdio>

#include "common/AnsiText.h"
#include "platform/sim/SimClock.h"

namespace quarrix::platform::sim {

bool IsThisComputer(const std::string& computer) {
  std::string name = computer;
  if (StartsWith(name, "\\\\")) name = name.substr(2);
  return name.empty() || name == "." || EqualsIgnoreCase(name, "localhost");
}

SimServices::SimServices() {
  // Services every Windows installation runs.
  states = {{"EVENTLOG", 4}, {"PLUGPLAY", 4}, {"RPCSS", 4}, {"SCHEDULE", 4}, {"SPOOLER", 4}};
}

std::optional<uint32_t> SimServices::QueryState(const std::string& service, const std::string& computer) {
  if (!IsThisComputer(computer)) return std::nullopt;
  auto found = states.find(ToUpperAscii(service));
  if (found == states.end()) return std::nullopt;
  return found->second;
}

TaskOutcome SimTasks::Save(const TaskDefinition& task) {
  if (!schedulerAvailable) return TaskOutcome::SchedulerUnavailable;
  if (!IsThisComputer(task.computer)) return TaskOutcome::Failed;
  SimTask& stored = tasks[ToUpperAscii(task.name)];
  if (stored.definition.name.empty()) stored.definition.name = task.name;
  const std::string name = stored.definition.name;
  stored.definition = task;
  stored.definition.name = name;
  const LocalTime today = clock_.Now();
  char date[32];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u", unsigned{today.year}, unsigned{today.month}, unsigned{today.day});
  stored.beginDate = date;
  return TaskOutcome::Saved;
}

bool SimTasks::Delete(const std::string& name, const std::string& computer) {
  if (!schedulerAvailable || !IsThisComputer(computer)) return false;
  return tasks.erase(ToUpperAscii(name)) != 0;
}

}  // namespace quarrix::platform::sim

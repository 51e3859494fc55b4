#pragma once
// The simulated machine's services and scheduled tasks, as tables a test or the machine folder fills.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/ScheduledTasks.h"
#include "platform/Services.h"

namespace quarrix::platform::sim {

class SimClock;

class SimServices : public Services {
 public:
  SimServices();
  // upper-cased service name -> current state (SERVICE_STATUS code)
  std::map<std::string, uint32_t> states;

  // Only this computer answers: empty, ".", "localhost" or "\\" before either.
  std::optional<uint32_t> QueryState(const std::string& service, const std::string& computer) override;
};

struct SimTask {
  TaskDefinition definition;  // name as first written
  std::string beginDate;      // yyyy-mm-dd
};

class SimTasks : public ScheduledTasks {
 public:
  explicit SimTasks(SimClock& clock) : clock_(clock) {}
  std::map<std::string, SimTask> tasks;  // upper-cased name
  bool schedulerAvailable = true;

  TaskOutcome Save(const TaskDefinition& task) override;
  bool Delete(const std::string& name, const std::string& computer) override;

 private:
  SimClock& clock_;
};

// Whether a computer name stands for the simulated machine itself.
bool IsThisComputer(const std::string& computer);

}  // namespace quarrix::platform::sim

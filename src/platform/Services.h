#pragma once
// The service control manager of this or another computer, asked for a service's state.
#include <cstdint>
#include <optional>
#include <string>

namespace quarrix::platform {

// SERVICE_STATUS current states.
enum class ServiceState : uint32_t {
  Stopped = 1, StartPending = 2, StopPending = 3, Running = 4, ContinuePending = 5, PausePending = 6, Paused = 7
};

class Services {
 public:
  virtual ~Services() = default;

  // The current state; nothing when the manager, the service or its status cannot be had.
  // computer empty: this computer.
  virtual std::optional<uint32_t> QueryState(const std::string& service, const std::string& computer) = 0;
};

}  // namespace quarrix::platform

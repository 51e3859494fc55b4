#pragma once
// The handshake between workers and the interpreter: the reserved variables every worker and the
// progress display read and write, the progress report, one waiting step of the main thread and
// the heartbeat watchdog of a cancelled worker.
#include <cstdint>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Threads.h"

namespace quarrix {

class TVariableManager;
class Worker;
struct Session;

inline constexpr std::string_view kThProgress = "VELD_thProgress";
inline constexpr std::string_view kThMax = "VELD_thMax";
inline constexpr std::string_view kThMin = "VELD_thMin";
inline constexpr std::string_view kThProgressText = "VELD_thProgressText";
inline constexpr std::string_view kThFinished = "VELD_thFinished";
inline constexpr std::string_view kThCancelled = "VELD_thCancelled";
inline constexpr std::string_view kIsCancelled = "VELD_IsCancelled";
inline constexpr std::string_view kLastDelegateTick = "VELD_LastDelegateTick";
inline constexpr std::string_view kLastActiveTick = "VELD_LastActiveTick";

// Texts of ReportProgress that are not shown: re-publish what is there, or leave the text alone.
inline constexpr std::string_view kRepublishProgress = "$VELD$";
inline constexpr std::string_view kKeepProgressText = "$IGNORE$";

// The values every run starts with; both ticks are the current tick count.
void StoreHandshakeVariables(TVariableManager& variables, platform::Clock& clock);

// Callable from any thread. Always refreshes the heartbeat; a position of -1 leaves the numbers,
// the text "$IGNORE$" leaves the text, and "$VELD$" re-publishes the current values. With
// "$VELD$", a stored number that is not an integer throws std::runtime_error.
void ReportProgress(TVariableManager& variables, platform::Clock& clock, std::string_view text, int64_t minimum,
                    int64_t maximum, int64_t position);

// One waiting step on the main thread. Interactive: processes one window message, waiting at most
// maxWaitMs for it. Silent with a worker: blocks until the worker has ended. Otherwise nothing.
void PumpOrWait(Session& session, Worker* worker, uint32_t maxWaitMs = platform::kWaitForever);

// The heartbeat check of one worker kind. It fires every kIntervalMs while enabled; on each firing
// a worker that reported since the last one is given another interval, a silent one must be ended.
class Watchdog {
 public:
  static constexpr uint32_t kIntervalMs = 5000;

  // checksHeartbeat false: the first firing ends the worker whatever it reported (program launches).
  explicit Watchdog(bool checksHeartbeat = true) : checksHeartbeat_(checksHeartbeat) {}

  // Enabling an enabled watchdog keeps its running interval, as with a window timer.
  void Enable(uint32_t now);
  void Disable() { enabled_ = false; }
  bool Enabled() const { return enabled_; }
  // How long a wait may last before the next firing is due; kWaitForever while disabled.
  uint32_t MillisecondsUntilDue(uint32_t now) const;
  // Fires when due. True when the worker has been silent for a whole interval and must be ended.
  bool Poll(TVariableManager& variables, uint32_t now);

 private:
  bool checksHeartbeat_;
  bool enabled_ = false;
  uint32_t startedAt_ = 0;
};

}  // namespace quarrix

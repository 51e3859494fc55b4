#pragma once
// The simulated main-thread message queue. Only wake-ups are ever posted. A wait that no message
// ends does not take real time: it moves the simulated clock on instead, so a watchdog interval
// passes in an instant.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/Threads.h"
#include "platform/sim/SimClock.h"

namespace quarrix::platform::sim {

class SimThreads : public Threads {
 public:
  explicit SimThreads(SimClock& clock) : clock_(clock) {}

  // Real milliseconds a wait holds out for a wake-up from another thread before it counts as
  // timed out (never longer than the wait itself). Waits for ever (kWaitForever) always wait for
  // real: only a worker can end them.
  uint32_t realWaitMs = 2;
  // Simulated milliseconds a timed-out wait moves the clock on; 0 moves it by the whole wait.
  uint32_t idleStepMs = 0;
  // Called on the main thread after each timed-out wait, with the simulated clock already moved:
  // a test's stand-in for what the user does meanwhile (pressing Cancel, say).
  std::function<void()> onIdle;
  // Called on the main thread after every wait and message step: the window toolkit's share of
  // the queue (its timers).
  std::function<void()> onMessages;

  bool ProcessOneMessage(uint32_t maxWaitMs) override;
  void ProcessPendingMessages() override;
  void PostWakeUp() override;
  // The thread is left to run to its end and joined by its owner; the worker base makes sure it
  // no longer reaches the engine's state.
  void ForceTerminate(std::thread& thread) override;

  int TerminatedCount() const;

 private:
  SimClock& clock_;
  mutable std::mutex lock_;
  std::condition_variable posted_;
  int pendingWakeUps_ = 0;
  int terminated_ = 0;
};

}  // namespace quarrix::platform::sim

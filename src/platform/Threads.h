#pragma once
// What waiting for a worker thread needs of the machine: the main thread's message queue and the
// forced end of a worker that no longer answers.
#include <cstdint>
#include <thread>

namespace quarrix::platform {

inline constexpr uint32_t kWaitForever = 0xFFFFFFFF;

class Threads {
 public:
  virtual ~Threads() = default;

  // On the main thread: waits up to maxWaitMs for a window message and dispatches one when it
  // arrives. Returns whether a message was processed.
  virtual bool ProcessOneMessage(uint32_t maxWaitMs) = 0;
  // On the main thread: dispatches every message already waiting, without waiting for more.
  virtual void ProcessPendingMessages() = 0;
  // From any thread: wakes a main thread waiting in ProcessOneMessage (a null message).
  virtual void PostWakeUp() = 0;
  // Ends a worker thread that ignores every request. The worker gets no further chance to touch
  // the engine's state; whether the thread object stays joinable is the backend's choice, and the
  // owner joins it when it does.
  virtual void ForceTerminate(std::thread& thread) = 0;
};

}  // namespace quarrix::platform

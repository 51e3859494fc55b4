#pragma once
// The main thread's message queue and the forced end of a worker thread.
#include <cstdint>

#include "platform/Threads.h"

namespace quarrix::platform::win32 {

class Win32Threads : public Threads {
 public:
  // Constructed on the main thread: wake-ups are posted to the thread that made this object.
  Win32Threads();

  bool ProcessOneMessage(uint32_t maxWaitMs) override;
  void ProcessPendingMessages() override;
  void PostWakeUp() override;
  // TerminateThread, then the thread object is detached: nothing is left to join.
  void ForceTerminate(std::thread& thread) override;

 private:
  uint32_t mainThreadId_;
};

}  // namespace quarrix::platform::win32

#include "platform/sim/SimThreads.h"

#include <algorithm>
#include <chrono>

namespace quarrix::platform::sim {

bool SimThreads::ProcessOneMessage(uint32_t maxWaitMs) {
  {
    std::unique_lock guard(lock_);
    auto arrived = [this] { return pendingWakeUps_ > 0; };
    if (maxWaitMs == kWaitForever) {
      posted_.wait(guard, arrived);
    } else {
      posted_.wait_for(guard, std::chrono::milliseconds(std::min(realWaitMs, maxWaitMs)), arrived);
    }
    if (pendingWakeUps_ > 0) {
      --pendingWakeUps_;
      guard.unlock();
      if (onMessages) onMessages();
      return true;
    }
  }
  clock_.Advance(idleStepMs == 0 || idleStepMs > maxWaitMs ? maxWaitMs : idleStepMs);
  if (onMessages) onMessages();
  if (onIdle) onIdle();
  return false;
}

void SimThreads::ProcessPendingMessages() {
  {
    std::lock_guard guard(lock_);
    pendingWakeUps_ = 0;
  }
  if (onMessages) onMessages();
}

void SimThreads::PostWakeUp() {
  {
    std::lock_guard guard(lock_);
    ++pendingWakeUps_;
  }
  posted_.notify_one();
}

void SimThreads::ForceTerminate(std::thread&) {
  std::lock_guard guard(lock_);
  ++terminated_;
}

int SimThreads::TerminatedCount() const {
  std::lock_guard guard(lock_);
  return terminated_;
}

}  // namespace quarrix::platform::sim

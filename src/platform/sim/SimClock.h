#pragma once
// The simulated clock: it stands still until a test or the simulated message loop advances it,
// so nothing that depends on time needs a real wait. Dates and times are formatted from the
// patterns of the simulated user's locale.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/SystemInfo.h"

namespace quarrix::platform::sim {

class SimClock : public Clock {
 public:
  // The locale patterns (short date, long time) come from system, read at every format call.
  explicit SimClock(SystemInfo& system);

  uint32_t TickCount() override;
  LocalTime Now() override;
  std::string FormatShortDate(const LocalTime& time) override;
  std::string FormatLongTime(const LocalTime& time) override;

  // Time passes at once: the same as Advance.
  void Sleep(uint32_t milliseconds) override {
    sleptMilliseconds += milliseconds;
    Advance(milliseconds);
  }
  uint64_t sleptMilliseconds = 0;  // by every Sleep so far; read once the sleeping thread ended

  // Sets the local time; the tick count keeps running from where it is.
  void SetNow(const LocalTime& time);
  void SetTickCount(uint32_t tick);
  // Moves tick count and local time forward together. Callable from any thread.
  void Advance(uint32_t milliseconds);

 private:
  using Milliseconds = std::chrono::sys_time<std::chrono::milliseconds>;

  SystemInfo& system_;
  std::mutex lock_;
  uint32_t tick_ = 3'600'000;  // an hour after start: a plausible tick count
  Milliseconds local_;
};

// A Windows date or time picture ("dd.MM.yyyy", "h:mm:ss tt") applied to a time: day, month,
// year, era, hour, minute, second and AM/PM symbols, with text in single quotes taken literally
// (two quotes for one). Month and day names are the English ones.
std::string FormatTimePicture(std::string_view picture, const LocalTime& time);

}  // namespace quarrix::platform::sim

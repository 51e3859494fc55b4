#pragma once
// The system's tick count and local time, formatted with the user's own date and time settings.
#include "platform/Clock.h"

namespace quarrix::platform::win32 {

class Win32Clock : public Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;
  LocalTime Now() override;
  std::string FormatShortDate(const LocalTime& time) override;
  std::string FormatLongTime(const LocalTime& time) override;
};

}  // namespace quarrix::platform::win32

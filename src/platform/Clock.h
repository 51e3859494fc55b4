#pragma once
// Time as the engine sees it: the millisecond tick count that stamps worker heartbeats, and the
// local date and time formatted the way the user has chosen.
#include <cstdint>
#include <string>

namespace quarrix::platform {

// Local wall-clock time, as GetLocalTime fills a SYSTEMTIME.
struct LocalTime {
  uint16_t year = 2000;
  uint16_t month = 1;      // 1 to 12
  uint16_t dayOfWeek = 6;  // 0 Sunday to 6 Saturday
  uint16_t day = 1;        // 1 to 31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t millisecond = 0;

  bool SameSecond(const LocalTime& other) const {
    return second == other.second && minute == other.minute && hour == other.hour && day == other.day &&
           month == other.month && year == other.year;
  }
};

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds since the system started (GetTickCount); wraps after about 49.7 days.
  // Callable from any thread.
  virtual uint32_t TickCount() = 0;
  virtual LocalTime Now() = 0;
  // The user's short date format (GetDateFormatA, DATE_SHORTDATE) and long time format
  // (GetTimeFormatA); empty when the system cannot format the value.
  virtual std::string FormatShortDate(const LocalTime& time) = 0;
  virtual std::string FormatLongTime(const LocalTime& time) = 0;
  // Suspends the calling thread; callable from any thread.
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace quarrix::platform

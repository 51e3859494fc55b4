#include "platform/win32/Win32Clock.h"

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {
namespace {

SYSTEMTIME ToSystemTime(const LocalTime& time) {
  SYSTEMTIME system{};
  system.wYear = time.year;
  system.wMonth = time.month;
  system.wDayOfWeek = time.dayOfWeek;
  system.wDay = time.day;
  system.wHour = time.hour;
  system.wMinute = time.minute;
  system.wSecond = time.second;
  system.wMilliseconds = time.millisecond;
  return system;
}

// Both format calls share the size-then-fill protocol; the reported size counts the terminator.
template <typename FormatCall>
std::string Formatted(FormatCall format) {
  int size = format(nullptr, 0);
  if (size <= 0) return {};
  std::string text(static_cast<size_t>(size), '\0');
  int written = format(text.data(), size);
  if (written <= 0) return {};
  text.resize(static_cast<size_t>(written - 1));
  return text;
}

}  // namespace

uint32_t Win32Clock::TickCount() { return GetTickCount(); }

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

LocalTime Win32Clock::Now() {
  SYSTEMTIME system{};
  GetLocalTime(&system);
  LocalTime time;
  time.year = system.wYear;
  time.month = system.wMonth;
  time.dayOfWeek = system.wDayOfWeek;
  time.day = system.wDay;
  time.hour = system.wHour;
  time.minute = system.wMinute;
  time.second = system.wSecond;
  time.millisecond = system.wMilliseconds;
  return time;
}

std::string Win32Clock::FormatShortDate(const LocalTime& time) {
  const SYSTEMTIME system = ToSystemTime(time);
  return Formatted([&](char* buffer, int size) {
    return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, buffer, size);
  });
}

std::string Win32Clock::FormatLongTime(const LocalTime& time) {
  const SYSTEMTIME system = ToSystemTime(time);
  return Formatted([&](char* buffer, int size) {
    return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &system, nullptr, buffer, size);
  });
}

}  // namespace quarrix::platform::win32

#include "platform/sim/SimClock.h"

#include <array>

namespace quarrix::platform::sim {
namespace {

using namespace std::chrono;

constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",
                                                     "May",     "June",     "July",      "August",
                                                     "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

sys_time<milliseconds> ToTimePoint(const LocalTime& time) {
  const sys_days day = year{time.year} / month{time.month} / std::chrono::day{time.day};
  return sys_time<milliseconds>{day} + hours{time.hour} + minutes{time.minute} + seconds{time.second} +
         milliseconds{time.millisecond};
}

LocalTime FromTimePoint(sys_time<milliseconds> point) {
  const sys_days day = floor<days>(point);
  const year_month_day date{day};
  const hh_mm_ss clock{point - day};
  LocalTime time;
  time.year = static_cast<uint16_t>(static_cast<int>(date.year()));
  time.month = static_cast<uint16_t>(static_cast<unsigned>(date.month()));
  time.day = static_cast<uint16_t>(static_cast<unsigned>(date.day()));
  time.dayOfWeek = static_cast<uint16_t>(weekday{day}.c_encoding());
  time.hour = static_cast<uint16_t>(clock.hours().count());
  time.minute = static_cast<uint16_t>(clock.minutes().count());
  time.second = static_cast<uint16_t>(clock.seconds().count());
  time.millisecond = static_cast<uint16_t>(clock.subseconds().count());
  return time;
}

std::string Padded(unsigned value, size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string ShortName(const char* name) { return std::string(name).substr(0, 3); }

// One run of a picture letter, e.g. "MMM" or "yyyy".
std::string FormatField(char letter, size_t count, const LocalTime& time) {
  const unsigned hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
  switch (letter) {
    case 'd':
      if (count <= 2) return Padded(time.day, count);
      return count == 3 ? ShortName(kDayNames[time.dayOfWeek % 7]) : kDayNames[time.dayOfWeek % 7];
    case 'M':
      if (count <= 2) return Padded(time.month, count);
      return count == 3 ? ShortName(kMonthNames[(time.month + 11) % 12]) : kMonthNames[(time.month + 11) % 12];
    case 'y':
      if (count <= 2) return Padded(time.year % 100, count);
      return Padded(time.year, 4);
    case 'g':
      return "A.D.";
    case 'h':
      return Padded(hour12, std::min<size_t>(count, 2));
    case 'H':
      return Padded(time.hour, std::min<size_t>(count, 2));
    case 'm':
      return Padded(time.minute, std::min<size_t>(count, 2));
    case 's':
      return Padded(time.second, std::min<size_t>(count, 2));
    case 't': {
      const char* symbol = time.hour < 12 ? "AM" : "PM";
      return count == 1 ? std::string(1, symbol[0]) : std::string(symbol);
    }
    default:
      return std::string(count, letter);
  }
}

bool IsPictureLetter(char c) {
  return c == 'd' || c == 'M' || c == 'y' || c == 'g' || c == 'h' || c == 'H' || c == 'm' || c == 's' ||
         c == 't';
}

}  // namespace

std::string FormatTimePicture(std::string_view picture, const LocalTime& time) {
  std::string text;
  size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    if (c == '\'') {
      // A quoted run; '' inside or outside stands for one quote.
      ++i;
      if (i < picture.size() && picture[i] == '\'') {
        text += '\'';
        ++i;
        continue;
      }
      while (i < picture.size()) {
        if (picture[i] == '\'') {
          if (i + 1 < picture.size() && picture[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += picture[i++];
      }
      continue;
    }
    if (!IsPictureLetter(c)) {
      text += c;
      ++i;
      continue;
    }
    size_t count = 1;
    while (i + count < picture.size() && picture[i + count] == c) ++count;
    text += FormatField(c, count, time);
    i += count;
  }
  return text;
}

SimClock::SimClock(SystemInfo& system) : system_(system) {
  LocalTime start;
  start.year = 2026;
  start.month = 3;
  start.day = 14;
  start.hour = 9;
  start.minute = 26;
  start.second = 53;
  local_ = ToTimePoint(start);
}

uint32_t SimClock::TickCount() {
  std::lock_guard guard(lock_);
  return tick_;
}

LocalTime SimClock::Now() {
  std::lock_guard guard(lock_);
  return FromTimePoint(local_);
}

std::string SimClock::FormatShortDate(const LocalTime& time) {
  auto picture = system_.LocaleInfo(kLocaleUserDefault, LocaleItem::ShortDate);
  return picture ? FormatTimePicture(*picture, time) : std::string();
}

std::string SimClock::FormatLongTime(const LocalTime& time) {
  auto picture = system_.LocaleInfo(kLocaleUserDefault, LocaleItem::LongTime);
  return picture ? FormatTimePicture(*picture, time) : std::string();
}

void SimClock::SetNow(const LocalTime& time) {
  std::lock_guard guard(lock_);
  local_ = ToTimePoint(time);
}

void SimClock::SetTickCount(uint32_t tick) {
  std::lock_guard guard(lock_);
  tick_ = tick;
}

void SimClock::Advance(uint32_t milliseconds) {
  std::lock_guard guard(lock_);
  tick_ += milliseconds;  // wraps like the real count
  local_ += std::chrono::milliseconds{milliseconds};
}

}  // namespace quarrix::platform::sim

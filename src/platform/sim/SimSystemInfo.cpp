#include "platform/sim/SimSystemInfo.h"

#include <cstdio>

namespace quarrix::platform::sim {
namespace {

struct KnownLanguage {
  uint32_t id;
  const char* englishName;
};
// Enough of Windows' own table for the engine's language lookups.
constexpr KnownLanguage kLanguages[] = {
    {0x0407, "German"},  {0x0409, "English"}, {0x040C, "French"}, {0x0413, "Dutch"},
    {0x0411, "Japanese"}, {0x0C0A, "Spanish"}, {0x040A, "Spanish"}, {0x0410, "Italian"},
};

}  // namespace

SimSystemInfo::SimSystemInfo() {
  SetUserLanguage(0x0409);
  locale[{kLocaleUserDefault, LocaleItem::ShortDate}] = "M/d/yyyy";
  locale[{kLocaleUserDefault, LocaleItem::LongTime}] = "h:mm:ss tt";
  for (const auto& language : kLanguages) locale[{language.id, LocaleItem::EnglishLanguage}] = language.englishName;
}

void SimSystemInfo::SetUserLanguage(uint32_t languageId) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", languageId & 0xFFFF);
  locale[{kLocaleUserDefault, LocaleItem::Language}] = hex;
  locale[{kLocaleUserDefault, LocaleItem::DefaultLanguage}] = hex;
}

std::u16string SimSystemInfo::AnsiToWide(std::string_view text) {
  // Code page 1252 differs from Latin-1 only in 0x80 to 0x9F; unassigned bytes map to themselves.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string wide;
  wide.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    wide.push_back(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<char16_t>(byte));
  }
  return wide;
}

std::optional<std::string> SimSystemInfo::LocaleInfo(uint32_t lcid, LocaleItem item) {
  auto it = locale.find({lcid, item});
  if (it == locale.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> SimSystemInfo::FolderPath(SpecialFolder folder) {
  auto it = folders.find(folder);
  if (it == folders.end()) return std::nullopt;
  return it->second;
}

std::string SimSystemInfo::NewGuid() {
  char text[40];
  std::snprintf(text, sizeof text, "{5151D000-0000-4000-8000-%012llX}", static_cast<unsigned long long>(++guidsMade));
  return text;
}

}  // namespace quarrix::platform::sim

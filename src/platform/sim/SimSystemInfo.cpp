#include "platform/sim/SimSystemInfo.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "common/AnsiText.h"
#include "common/Cp1252Text.h"

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

uint32_t SimSystemInfo::UserLanguage() const {
  auto found = locale.find({kLocaleUserDefault, LocaleItem::Language});
  if (found == locale.end()) return 0;
  try {
    return static_cast<uint32_t>(std::stoul(found->second, nullptr, 16));
  } catch (const std::exception&) {
    return 0;
  }
}

std::u16string SimSystemInfo::AnsiToWide(std::string_view text) { return Cp1252ToWide(text); }

std::string SimSystemInfo::AnsiToUpper(std::string_view text) { return Cp1252Upper(text); }

std::string SimSystemInfo::AnsiToLower(std::string_view text) { return Cp1252Lower(text); }

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

std::optional<std::string> SimSystemInfo::SystemErrorText(uint32_t code) {
  auto found = errorTexts.find(code);
  if (found == errorTexts.end()) return std::nullopt;
  return found->second;
}

bool SimSystemInfo::RedirectionOff(uintptr_t& oldValue) {
  if (!redirectionSwitch || !processWow64) return false;
  std::lock_guard guard(redirectionLock_);
  const bool wasOff = !redirectionOff_.insert(std::this_thread::get_id()).second;
  // As the system's token: 1 when redirection was off already, 0 when it was on.
  oldValue = wasOff ? 1 : 0;
  return true;
}

bool SimSystemInfo::RedirectionRestore(uintptr_t oldValue) {
  if (!redirectionSwitch || !processWow64 || oldValue > 1) return false;
  std::lock_guard guard(redirectionLock_);
  if (oldValue == 0) {
    redirectionOff_.erase(std::this_thread::get_id());
  } else {
    redirectionOff_.insert(std::this_thread::get_id());
  }
  return true;
}

bool SimSystemInfo::RedirectionOffOnThisThread() {
  std::lock_guard guard(redirectionLock_);
  return redirectionOff_.count(std::this_thread::get_id()) != 0;
}

std::optional<FileVersionParts> SimSystemInfo::SystemFileVersion(std::string_view fileName) {
  auto found = systemFiles.find(Cp1252Lower(fileName));
  if (found == systemFiles.end()) return std::nullopt;
  return found->second.version;
}

std::optional<uint16_t> SimSystemInfo::SystemFileLanguage(std::string_view fileName) {
  auto found = systemFiles.find(Cp1252Lower(fileName));
  if (found == systemFiles.end()) return std::nullopt;
  return found->second.language;
}

std::string SimSystemInfo::LanguageName(uint32_t languageId) {
  if (languageId == 0) return "Language Neutral";
  for (const auto& language : kLanguages)
    if (language.id == languageId) return language.englishName;
  return "Unknown language";
}

std::string SimSystemInfo::NewGuid() {
  char text[40];
  std::snprintf(text, sizeof text, "{5151D000-0000-4000-8000-%012llX}", static_cast<unsigned long long>(++guidsMade));
  return text;
}

}  // namespace quarrix::platform::sim

#include "localisation/LanguageTable.h"

#include <optional>

#include "common/AnsiText.h"

namespace quarrix {
namespace {

constexpr uint32_t kEnglishLcid = 1033;

struct LanguageEntry {
  const char* name;
  uint32_t lcid;
};

// The spellings are the ones setups produce and expect, "Portugese" included.
constexpr LanguageEntry kLanguages[] = {
    {"Arabic", 1025},           {"Catalan", 1027},    {"Chinese (Taiwan)", 1028},
    {"Chinese (PRC)", 2052},    {"Czech", 1029},      {"Danish", 1030},
    {"German", 1031},           {"Greek", 1032},      {"English", 1033},
    {"Spanish", 3082},          {"Estonian", 1061},   {"Slovenian", 1060},
    {"Finnish", 1035},          {"French", 1036},     {"Hebrew", 1037},
    {"Hungarian", 1038},        {"Italian", 1040},    {"Japanese", 1041},
    {"Korean", 1042},           {"Lithuanian", 1063}, {"Latvian", 1062},
    {"Dutch", 1043},            {"Basque", 1069},     {"Vietnamese", 1066},
    {"Norwegian", 1044},        {"Polish", 1045},     {"Portugese (Brazil)", 1046},
    {"Portugese (Portugal)", 2070}, {"Romanian", 1048}, {"Russian", 1049},
    {"Croatian", 1050},         {"Slovak", 1051},     {"Swedish", 1053},
    {"Thai", 1054},             {"Turkish", 1055},
};

std::optional<uint32_t> LcidOfName(std::string_view name) {
  for (const auto& entry : kLanguages)
    if (EqualsIgnoreCase(entry.name, name)) return entry.lcid;
  return std::nullopt;
}

// The locale answers in plain hexadecimal digits ("0407").
std::optional<uint32_t> ParseHex(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

const char* NameOfLcid(uint32_t lcid) {
  for (const auto& entry : kLanguages)
    if (entry.lcid == lcid) return entry.name;
  return nullptr;
}

}  // namespace

std::string LanguageLcid(std::string_view name) {
  return std::to_string(LcidOfName(name).value_or(kEnglishLcid));
}

std::string LanguageName(uint32_t lcid, platform::SystemInfo& system) {
  if (const char* listed = NameOfLcid(lcid)) return listed;
  // A sublanguage the table does not list (1034, traditional Spanish) still maps through
  // the language's English name; the LCID found that way is always listed.
  auto englishName = system.LocaleInfo(lcid, platform::LocaleItem::EnglishLanguage);
  if (englishName) {
    auto known = LcidOfName(*englishName);
    if (known && *known != kEnglishLcid) return NameOfLcid(*known);
  }
  return "English";
}

uint32_t UserLanguageId(platform::SystemInfo& system, bool defaultLanguage) {
  auto item = defaultLanguage ? platform::LocaleItem::DefaultLanguage : platform::LocaleItem::Language;
  auto text = system.LocaleInfo(platform::kLocaleUserDefault, item);
  if (!text) return 0;
  return ParseHex(*text).value_or(0);
}

}  // namespace quarrix

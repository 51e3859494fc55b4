#include "localisation/LanguageSelection.h"

namespace quarrix {
namespace {

constexpr std::string_view kTranslationsPrefix = "translations.";

bool IsOwnTable(std::string_view fileName) {
  return EqualsIgnoreCase(fileName, "translations.Map") || EqualsIgnoreCase(fileName, "translations.Original");
}

}  // namespace

std::string KeyTablePath(const std::string& supportFolder, const std::string& title) {
  return supportFolder + title + ".mtx";
}

OfferedLanguages ListOfferedLanguages(platform::FileSystem& files, const std::string& supportFolder,
                                      std::string_view defaultLanguage) {
  OfferedLanguages offered;
  for (const platform::DirectoryEntry& entry : files.FindMatching(supportFolder + "translations.*")) {
    // A folder's own path may well contain "shared"; only the file's name tells a shared
    // message file.
    if (entry.isDirectory || IsOwnTable(entry.name) || entry.name.find("shared") != std::string::npos) continue;
    if (!StartsWith(ToLowerAscii(entry.name), kTranslationsPrefix)) continue;
    const std::string language = entry.name.substr(kTranslationsPrefix.size());
    if (EqualsIgnoreCase(language, defaultLanguage)) offered.defaultFound = true;
    offered.names.push_back(language);
  }
  return offered;
}

size_t PreselectedLanguage(const StringList& names, std::string_view defaultLanguage,
                           std::string_view userLanguage) {
  size_t remembered = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (EqualsIgnoreCase(names[i], userLanguage)) return i;
    if (EqualsIgnoreCase(names[i], defaultLanguage)) remembered = i;
  }
  return remembered;
}

}  // namespace quarrix

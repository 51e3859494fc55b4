#pragma once
// Which languages a multi-language setup offers, and which one the language dialog preselects.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/AnsiText.h"
#include "platform/FileSystem.h"

namespace quarrix {

// The key table's file: its presence makes a setup multi-language.
std::string KeyTablePath(const std::string& supportFolder, const std::string& title);

struct OfferedLanguages {
  StringList names;          // "German" for translations.German, in the file system's order
  bool defaultFound = false;  // translations. + the default language is among them
};

// The translations.* files of the support folder (with trailing backslash), without the owner
// and source-language tables and without shared message files.
OfferedLanguages ListOfferedLanguages(platform::FileSystem& files, const std::string& supportFolder,
                                      std::string_view defaultLanguage);

// The index to preselect: the first name of the user's language, else the last one of the
// default language, else the first.
size_t PreselectedLanguage(const StringList& names, std::string_view defaultLanguage,
                           std::string_view userLanguage);

}  // namespace quarrix

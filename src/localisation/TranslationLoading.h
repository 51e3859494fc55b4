#pragma once
// Loading the translation tables of the language a script selects.
#include <string>

#include "localisation/MessageTable.h"
#include "localisation/Translations.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace quarrix {

struct TranslationSources {
  platform::FileSystem& files;
  platform::SystemInfo& system;
  std::string supportFolder;  // with trailing backslash
  std::string title;          // names the key table
};

// Makes `language` current. A language other than the one loaded has its four tables read
// (and its shared message file, when there is one, into the message table). When a file is
// missing or unreadable the tables read before it keep their new contents, the language
// becomes none, and naming it again tries again. Returns the current language.
std::string LoadTranslations(LanguageState& state, TranslationTables& tables, MessageTable& messages,
                             const TranslationSources& sources, const std::string& language);

}  // namespace quarrix

#pragma once
// Language names and Windows language identifiers.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/SystemInfo.h"

namespace quarrix {

// The LCID of a language name in decimal, "1033" for a name not in the table.
std::string LanguageLcid(std::string_view name);
// The language name of an LCID, through Windows' English name for unlisted ones; "English" otherwise.
std::string LanguageName(uint32_t lcid, platform::SystemInfo& system);
// The user's language id (the default language when defaultLanguage is set); 0 on failure.
uint32_t UserLanguageId(platform::SystemInfo& system, bool defaultLanguage);

}  // namespace quarrix

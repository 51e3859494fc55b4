#pragma once
// A parameter as the selected language has it, from the project's translation tables.
#include <string>
#include <string_view>

#include "common/AnsiText.h"
#include "localisation/Translations.h"

namespace quarrix {

// The language-dependent replacement of a parameter: the text at the key's row + slot - 1.
// locMode is the build-time constant "#LOCMODE#" as expanded ("VARSONLY", "NEWONLY" or other).
std::string LocalizeParameter(const TranslationTables& tables, std::string_view locMode, std::string_view value,
                              std::string_view key, int slot, const StringList& buildConstants);

}  // namespace quarrix

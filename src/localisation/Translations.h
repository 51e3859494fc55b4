#pragma once
// The project's translation tables of the selected language: four parallel line lists of the
// support folder (owner, key, text in the language, text in the source language).
#include <string>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix {

struct TranslationTables {
  StringList owners;     // "translations.Map"
  StringList keys;       // title + ".mtx"
  StringList texts;      // "translations." + language
  StringList originals;  // "translations.Original"
};

// The language-dependent replacement of a parameter: the text at the key's row + slot - 1.
// locMode is the build-time constant "#LOCMODE#" as expanded ("VARSONLY", "NEWONLY" or other).
std::string LocalizeParameter(const TranslationTables& tables, std::string_view locMode, std::string_view value,
                              std::string_view key, int slot, const StringList& buildConstants);

}  // namespace quarrix

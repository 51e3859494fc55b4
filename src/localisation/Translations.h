#pragma once
// The project's translation tables of the selected language: four parallel line lists of the
// support folder (owner, key, text in the language, text in the source language).
#include <string>

#include "common/AnsiText.h"

namespace quarrix {

struct TranslationTables {
  StringList owners;     // "translations.Map"
  StringList keys;       // title + ".mtx"
  StringList texts;      // "translations." + language
  StringList originals;  // "translations.Original"
};

// No language is called so: the tables of the first language named are always loaded.
inline constexpr const char* kNoLanguageLoaded = "ZILCH";

struct LanguageState {
  std::string current;                        // mirrored in LANGUAGE; empty when none
  std::string lastLoaded = kNoLanguageLoaded;  // whose tables are loaded
};

}  // namespace quarrix

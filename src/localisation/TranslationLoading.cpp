#include "localisation/TranslationLoading.h"

#include "localisation/LanguageFile.h"
#include "localisation/LanguageSelection.h"
#include "localisation/TextLines.h"

namespace quarrix {
namespace {

bool ReadTable(platform::FileSystem& files, const std::string& path, StringList& table) {
  const std::optional<std::string> text = files.ReadFile(path);
  if (!text) return false;
  table = SplitTextLines(*text);
  return true;
}

bool LoadLanguage(TranslationTables& tables, MessageTable& messages, const TranslationSources& sources,
                  const std::string& language) {
  platform::FileSystem& files = sources.files;
  const std::string& folder = sources.supportFolder;
  if (!ReadTable(files, folder + "translations.Map", tables.owners)) return false;
  if (!ReadTable(files, folder + "translations." + language, tables.texts)) return false;
  if (!ReadTable(files, folder + "translations.Original", tables.originals)) return false;
  if (!ReadTable(files, KeyTablePath(folder, sources.title), tables.keys)) return false;
  const std::string shared = folder + "shared.translations." + language;
  if (!files.FileExists(shared)) return true;
  // An empty file is read and changes nothing; one that cannot be read fails the language.
  return LoadLanguageFile(messages, files, sources.system, shared) || files.FileSize(shared) == 0u;
}

}  // namespace

std::string LoadTranslations(LanguageState& state, TranslationTables& tables, MessageTable& messages,
                             const TranslationSources& sources, const std::string& language) {
  state.current = language;
  if (state.current.empty() || state.current == state.lastLoaded) return state.current;
  state.lastLoaded = state.current;
  if (!LoadLanguage(tables, messages, sources, state.current)) {
    state.current.clear();
    state.lastLoaded = kNoLanguageLoaded;
  }
  return state.current;
}

}  // namespace quarrix

#include "engine/RunLanguage.h"

#include "engine/EngineForms.h"
#include "engine/InstanceCache.h"
#include "engine/ScriptRun.h"
#include "engine/Session.h"
#include "localisation/LanguageSelection.h"
#include "localisation/LanguageTable.h"
#include "localisation/TextLines.h"
#include "localisation/TranslationLoading.h"

namespace quarrix {
namespace {

constexpr const char* kLanguageContext = "Initialization";

// The first line of the installed instance's language record; nothing without a record.
std::optional<std::string> RecordedLanguage(Session& session, const std::string& packagePath) {
  if (session.run.instanceCache == nullptr) return std::nullopt;
  const std::string record =
      session.run.instanceCache->InstanceFolder(session, packagePath) + session.executableName + ".lan";
  const std::optional<std::string> text = session.platform.files.ReadFile(record);
  if (!text) return std::nullopt;
  const StringList lines = SplitTextLines(*text);
  return lines.empty() ? std::string() : lines.front();
}

// The preselected language, or the user's choice; nothing when the user cancelled.
std::optional<std::string> AskLanguage(Session& session, const StringList& names) {
  platform::SystemInfo& system = session.platform.system;
  const std::string userLanguage = LanguageName(UserLanguageId(system, true), system);
  size_t chosen = PreselectedLanguage(names, session.payload.defaultLanguage, userLanguage);
  if (!session.silent && session.forms != nullptr) {
    const std::optional<size_t> answer = session.forms->ChooseLanguage(names, chosen);
    if (!answer || *answer >= names.size()) return std::nullopt;
    chosen = *answer;
  }
  return names[chosen];
}

}  // namespace

bool SelectLanguage(Session& session, const std::string& packagePath) {
  LanguageState& state = session.language;
  state.current.clear();
  state.lastLoaded = kNoLanguageLoaded;
  TVariableManager& variables = session.variables;
  variables.SetVariable("LANGUAGE", "", kLanguageContext);
  platform::FileSystem& files = session.platform.files;
  if (!files.FileExists(KeyTablePath(session.supportFolder, session.titleAsRead))) return true;

  const ScriptPayload& payload = session.payload;
  const OfferedLanguages offered = ListOfferedLanguages(files, session.supportFolder, payload.defaultLanguage);
  if (offered.defaultFound) state.current = payload.defaultLanguage;
  if (offered.names.empty()) return true;

  const bool maintenance = IsTrue(variables.GetVariable("MAINTENANCE"));
  const bool patch = files.FileExists(PatchPackagePath(packagePath));
  if (payload.AsksLanguage() && !maintenance && !patch) {
    const std::optional<std::string> chosen = AskLanguage(session, offered.names);
    if (!chosen) return false;
    state.current = *chosen;
  }
  if (maintenance || patch) {
    if (std::optional<std::string> recorded = RecordedLanguage(session, packagePath)) state.current = *recorded;
  }
  variables.SetVariable("LANGUAGE", state.current, kLanguageContext);
  return true;
}

void RefreshLanguage(Session& session) {
  const TranslationSources sources{session.platform.files, session.platform.system, session.supportFolder,
                                   session.titleAsRead};
  const std::string current = LoadTranslations(session.language, session.translations, session.messages, sources,
                                               session.variables.GetVariable("LANGUAGE"));
  session.variables.SetVariable("LANGUAGE", current, kLanguageContext);
}

}  // namespace quarrix

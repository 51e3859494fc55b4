#include "engine/ScriptPreparation.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "common/NameTable.h"
#include "engine/CommandCatalogue.h"
#include "engine/PreparationRule.h"

namespace quarrix {
namespace {

constexpr std::string_view kCompilation = "Compilation";
constexpr std::string_view kPersistMarker = "$VELD$VELD$";
constexpr const char* kAccepted = "Script compiled successfully";

constexpr const char* kPredefinedNames[] = {
    "VELD_COMPRESSCACHE", "VELD_DISABLEROLLBACK", "VELD_DISABLEVISTARESTARTMANAGER", "IISHOST",
    "OVERRIDECACHE", "VELDLOGO", "TIME", "DATE", "NEWINSTANCE", "SELECTED", "WINDOWHANDLE", "EXEDIR",
    "EXEFILE", "UNINSTALLLINK", "ENGINECACHE", "COPYWEBLOCK", "ABORT", "SILENT", "LOGGED", "CMDLINE",
    "REBOOTNOW", "SFXPATH", "SFXFILE", "LASTERROR", "PROGRESSMODE", "PROGRESSTEXT", "PROGRESS", "LICENSE",
    "USERNAME", "USERCOMPANY", "REBOOTCOMPUTER", "RUNAPP", "WIZARD", "VERSION", "TARGETDIR", "STARTMENU",
    "ADVERTISE", "ALLUSERS", "COMPLETE", "MINIMUM", "PERSONALIZED", "MODIFY", "REPAIR", "REMOVE", "DATADIR",
    "PRODUCTCODE", "REVISIONCODE", "ROOTDIR", "MAINTENANCE", "NEWLINE", "NEEDSUPGRADE", "TITLE", "COMPANY",
    "TEMPDIR", "SUPPORTDIR", "MSIFILE", "LANGUAGE", "ABORTONERROR", "ABORTEDONERROR", "SAVEDATA",
};
// The one predefined name that the start of a run assigns as an initial value, not a declaration.
constexpr std::string_view kInitializedName = "PROGRESSMODE";

}  // namespace

// The pass's view of one script: parameters by line, declarations, reference tests, labels.
class PreparedScript {
 public:
  PreparedScript(TVariableManager& variables, const HashedStringList& commandNames,
                 const HashedStringList& lineGuids, const HashedStringList* commentFlags,
                 const ParameterLists& parameterLists)
      : variables_(variables),
        commandNames_(commandNames),
        commentFlags_(commentFlags),
        lines_(FindEachLine(parameterLists, lineGuids.Views())) {}

  size_t LineCount() const { return commandNames_.Count(); }
  std::string_view Command(size_t line) const { return commandNames_[line]; }
  bool HasCommentFlags() const { return commentFlags_ != nullptr; }
  bool Commented(size_t line) const {
    return commentFlags_ && line < commentFlags_->Count() && (*commentFlags_)[line] == "C";
  }

  // The authoring tool writes every parameter of a line; a list cut short reads as empty
  // instead of ending the pass with an index error.
  std::string Param(size_t line, size_t n) const {
    if (line >= lines_.size()) return {};
    try {
      return lines_[line].Get(n);
    } catch (const std::out_of_range&) {
      return {};
    }
  }

  void Declare(std::string_view name) { variables_.SetVariable(ToUpperAscii(name), "", kCompilation); }
  bool Defined(std::string_view name) const { return variables_.VariableExists(name); }

  // A single reference tests the name it holds; any other text is tested as a name itself
  // (strict) or accepted (lenient).
  bool ReferenceDefined(std::string_view text, bool strict) const {
    std::string name = StripReference(text);
    if (!name.empty()) return Defined(name);
    return strict ? Defined(text) : true;
  }

  TVariableManager& Variables() { return variables_; }

  // False when the label is there already, in any letter case.
  bool AddLabel(std::string_view label) { return labels_.FindOrAdd(label).second; }
  bool LabelDefined(std::string_view label) const { return labels_.Find(label) != nullptr; }

 private:
  TVariableManager& variables_;
  const HashedStringList& commandNames_;
  const HashedStringList* commentFlags_;
  // Found once for the whole pass, in batches: the passes read parameters of most lines, and
  // one lookup after another would wait on the index's memory each time.
  std::vector<LineParameters> lines_;
  NameTable<bool> labels_;
};

std::string LineCheck::Param(size_t n) const { return script_.Param(line_, n); }
void LineCheck::Declare(size_t n) const { script_.Declare(script_.Param(line_, n)); }
void LineCheck::DeclareName(std::string_view name) const { script_.Declare(name); }
bool LineCheck::Defined(std::string_view name) const { return script_.Defined(name); }
bool LineCheck::ReferenceDefined(std::string_view text, bool strict) const {
  return script_.ReferenceDefined(text, strict);
}
bool LineCheck::LabelDefined(std::string_view label) const { return script_.LabelDefined(label); }

namespace {

bool SteersWizardLoop(const CommandCatalogue& commands, std::string_view command) {
  const CommandRow* row = commands.Find(command);
  return row && row->steersWizardLoop;
}

PreparationResult Reject(size_t line, std::string message) {
  return PreparationResult{static_cast<int32_t>(line), std::move(message)};
}

void DeclarePredefinedNames(PreparedScript& script) {
  for (std::string_view name : kPredefinedNames) {
    if (name == kInitializedName)
      script.Variables().SetVariable(name, "", "Initialization");
    else
      script.Declare(name);
  }
}

std::optional<PreparationResult> CheckBlockStructure(const PreparedScript& script) {
  if (!script.HasCommentFlags()) return std::nullopt;
  int64_t opened = 0, closed = 0, depth = 0;
  for (size_t line = 0; line < script.LineCount(); ++line) {
    if (script.Commented(line)) continue;
    const std::string_view command = script.Command(line);
    if (command == "If" || command == "Wizard Loop") {
      ++opened;
      ++depth;
    } else if (command == "End") {
      ++closed;
      --depth;
    } else if (command == "Label" && depth != 0) {
      return Reject(line, "LABEL statements cannot be nested inside loops/conditionals");
    }
  }
  if (opened > closed) return PreparationResult{kUnbalancedBlocks, "Insufficient END statements"};
  if (closed > opened) return PreparationResult{kUnbalancedBlocks, "Too many END statements"};
  return std::nullopt;
}

std::optional<PreparationResult> CollectLabels(PreparedScript& script) {
  for (size_t line = 0; line < script.LineCount(); ++line) {
    if (script.Command(line) != "Label") continue;
    std::string label = script.Param(line, 1);
    if (!script.AddLabel(label)) return Reject(line, "LABEL re-defined: " + label);
  }
  return std::nullopt;
}

// Persisted variables are known to the whole script, also to lines before their assignment.
void DeclarePersistedVariables(PreparedScript& script) {
  for (size_t line = 0; line < script.LineCount(); ++line) {
    if (script.Command(line) != "Set Variable") continue;
    std::string target = script.Param(line, 1);
    size_t marker = target.find(kPersistMarker);
    if (marker == std::string::npos) continue;
    if (std::string_view(target).substr(marker + kPersistMarker.size()) != "TRUE") continue;
    target.resize(marker);
    if (!script.Defined(target)) script.Declare(target);
  }
}

std::optional<PreparationResult> CheckCommands(PreparedScript& script, const CommandCatalogue& commands,
                                              StringList& skipMarks) {
  for (size_t line = 0; line < script.LineCount(); ++line) {
    skipMarks.emplace_back("SKIP");
    if (script.Commented(line)) continue;
    const CommandRow* row = commands.Find(script.Command(line));
    if (!row) continue;
    if (row->installerBacked) skipMarks.back() = "FALSE";
    if (!row->prepare) continue;
    std::string error = row->prepare(LineCheck{script, line});
    if (!error.empty()) return Reject(line, std::move(error));
  }
  return std::nullopt;
}

std::optional<PreparationResult> CheckWizardLoops(const PreparedScript& script, const CommandCatalogue& commands) {
  bool inside = false;
  for (size_t line = 0; line < script.LineCount(); ++line) {
    const std::string_view command = script.Command(line);
    if (command == "Wizard Loop") {
      inside = true;
    } else if (inside && command == "End") {
      inside = false;
    } else if (inside && !SteersWizardLoop(commands, command) && command != "Comment" && !script.Commented(line) &&
               command != "Ignore") {
      return Reject(line, "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP");
    }
  }
  return std::nullopt;
}

}  // namespace

PreparationResult PrepareScript(TVariableManager& variables, const CommandCatalogue& commands,
                                const HashedStringList& commandNames,
                                const HashedStringList& lineGuids, const HashedStringList* commentFlags,
                                const ParameterLists& parameterLists, StringList& skipMarks) {
  PreparedScript script(variables, commandNames, lineGuids, commentFlags, parameterLists);
  skipMarks.clear();
  skipMarks.reserve(script.LineCount());
  variables.ClearVariables();
  DeclarePredefinedNames(script);

  // The first error found ends the pass; later lines and passes are not examined.
  if (auto rejected = CheckBlockStructure(script)) return *rejected;
  if (auto rejected = CollectLabels(script)) return *rejected;
  DeclarePersistedVariables(script);
  if (auto rejected = CheckCommands(script, commands, skipMarks)) return *rejected;
  if (auto rejected = CheckWizardLoops(script, commands)) return *rejected;
  return PreparationResult{kScriptAccepted, kAccepted};
}

}  // namespace quarrix

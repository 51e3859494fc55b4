#include "engine/ScriptPreparation.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "common/WindowsPath.h"
#include "engine/Eval.h"

namespace quarrix {
namespace {

constexpr std::string_view kCompilation = "Compilation";
constexpr std::string_view kPersistMarker = "$VELD$VELD$";
constexpr const char* kAccepted = "Script compiled successfully";
constexpr const char* kVariableRequired = "Variable required";
constexpr const char* kVariableNotDefined = "Variable not defined: ";

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

// The pass's view of one script: parameters by line, declarations, reference tests.
class Script {
 public:
  Script(TVariableManager& variables, const HashedStringList& commandNames, const HashedStringList& lineGuids,
         const HashedStringList* commentFlags, const ParameterLists& parameterLists)
      : variables_(variables),
        commandNames_(commandNames),
        lineGuids_(lineGuids),
        commentFlags_(commentFlags),
        parameterLists_(parameterLists) {}

  size_t LineCount() const { return commandNames_.Count(); }
  const std::string& Command(size_t line) const { return commandNames_[line]; }
  bool HasCommentFlags() const { return commentFlags_ != nullptr; }
  bool Commented(size_t line) const {
    return commentFlags_ && line < commentFlags_->Count() && (*commentFlags_)[line] == "C";
  }

  // The authoring tool writes every parameter of a line; a list cut short reads as empty
  // instead of ending the pass with an index error.
  std::string Param(size_t line, size_t n) const {
    if (line >= lineGuids_.Count()) return {};
    if (line != cachedLine_) {
      cachedParameters_.emplace(parameterLists_, lineGuids_[line]);
      cachedLine_ = line;
    }
    try {
      return cachedParameters_->Get(n);
    } catch (const std::out_of_range&) {
      return {};
    }
  }

  void Declare(std::string_view name) { variables_.SetVariable(ToUpperAscii(name), "", kCompilation); }
  void DeclareParam(size_t line, size_t n) { Declare(Param(line, n)); }
  bool Defined(std::string_view name) const { return variables_.VariableExists(name); }

  // A single reference tests the name it holds; any other text is tested as a name itself
  // (strict) or accepted (lenient).
  bool ReferenceDefined(std::string_view text, bool strict) const {
    std::string name = StripReference(text);
    if (!name.empty()) return Defined(name);
    return strict ? Defined(text) : true;
  }

  TVariableManager& Variables() { return variables_; }

 private:
  TVariableManager& variables_;
  const HashedStringList& commandNames_;
  const HashedStringList& lineGuids_;
  const HashedStringList* commentFlags_;
  const ParameterLists& parameterLists_;
  // The pass reads several parameters of a line in a row; find the line once.
  mutable size_t cachedLine_ = SIZE_MAX;
  mutable std::optional<LineParameters> cachedParameters_;
};

using LabelNames = std::unordered_set<std::string>;  // upper-cased

struct LineCheck {
  Script& script;
  const LabelNames& labels;
  size_t line;

  std::string Param(size_t n) const { return script.Param(line, n); }
  void Declare(size_t n) const { script.DeclareParam(line, n); }
};

// The error message of a line, empty when the line passes.
using CommandRule = std::string (*)(const LineCheck&);

template <size_t... Params>
std::string DeclareOnly(const LineCheck& check) {
  (check.Declare(Params), ...);
  return {};
}

std::string NoCheck(const LineCheck&) { return {}; }

template <size_t Param>
std::string RequireAndDeclare(const LineCheck& check) {
  if (check.Param(Param).empty()) return kVariableRequired;
  check.Declare(Param);
  return {};
}

bool IsLegalFileName(std::string_view path) {
  return FileNameAfterBackslashOrColon(path).find_first_of("/*?\"<>|") == std::string::npos;
}

std::string CheckWebMediaBlock(const LineCheck& check) {
  std::string name = check.Param(1);
  if (!name.empty() && check.Param(2).empty()) return "Web Media Block must have at least one download URL";
  if (!IsLegalFileName(name)) return "Web Media Block name must be a legal file name";
  return {};
}

std::string CheckDeleteFiles(const LineCheck& check) {
  if (!IsTrue(check.Param(3)) && !IsTrue(check.Param(4))) return "At least one delete mode must be selected";
  return {};
}

std::string CheckInstallFiles(const LineCheck& check) {
  if (check.Param(3).empty())
    return "A target folder must be specified for files that are being installed.\r"
           "The value $TARGETDIR$ represents the destination folder chosen by the user.";
  return {};
}

std::string CheckVariableNamedByParam1(const LineCheck& check) {
  std::string name = check.Param(1);
  if (!check.script.Defined(name)) return kVariableNotDefined + name;
  return {};
}

std::string CheckEvaluateExpression(const LineCheck& check) {
  check.Declare(2);
  if (!CheckExpressionSyntax(check.Param(1)))
    return "Syntax error in expression. Please review the help topic \"Evaluate Expression\" for the correct syntax.";
  return {};
}

std::string DeclareSetVariable(const LineCheck& check) {
  std::string target = check.Param(1);
  size_t marker = target.find(kPersistMarker);
  if (marker != std::string::npos) target.resize(marker);
  check.script.Declare(target);
  return {};
}

std::string CheckGoToLabel(const LineCheck& check) {
  std::string label = check.Param(1);
  if (!check.labels.count(ToUpperAscii(label))) return "LABEL undefined: " + label;
  return {};
}

std::string CheckCondition(const LineCheck& check) {
  std::string variable = check.Param(1);
  if (variable.empty()) return kVariableRequired;
  std::string operand = check.Param(3);
  if (!check.script.ReferenceDefined(operand, false)) return kVariableNotDefined + operand;
  if (!check.script.ReferenceDefined(variable, true)) return kVariableNotDefined + variable;
  return {};
}

std::string CheckDisplayDialog(const LineCheck& check) {
  if (check.Param(1).empty()) return "Dialog name not specified";
  check.Declare(2);
  std::string bound = check.Param(4);
  if (!bound.empty() && !check.script.ReferenceDefined(bound, true)) return kVariableNotDefined + bound;
  return {};
}

struct CommandEntry {
  CommandRule rule;
  bool carriedOutByInstaller = false;  // its skip mark starts as "FALSE"
};

const std::unordered_map<std::string_view, CommandEntry>& CommandRules() {
  static const std::unordered_map<std::string_view, CommandEntry> rules = {
      {"Web Media Block", {CheckWebMediaBlock}},
      {"Comment", {NoCheck}},
      {"Get Folder Location", {DeclareOnly<1>}},
      {"Mathematics", {DeclareOnly<4>}},
      {"Is MSI Setup Installed", {RequireAndDeclare<2>}},
      {"Get INI File Settings", {DeclareOnly<1>}},
      {"Extract 7Zip Archive", {DeclareOnly<3>}},
      {"Run Light Mode Setup", {DeclareOnly<2>}},
      {"Read from Text File", {DeclareOnly<2, 3>}},
      {"Parse String", {DeclareOnly<3, 4>}},
      {"Check File Version", {DeclareOnly<1>}},
      {"Delete Files", {CheckDeleteFiles, true}},
      {"Copy/Move Local Files", {NoCheck, true}},
      {"Create Folder", {NoCheck, true}},
      {"Create Shortcut", {NoCheck, true}},
      {"Advertised Shortcut", {NoCheck, true}},
      {"Edit INI File", {NoCheck, true}},
      {"Install Assembly", {NoCheck, true}},
      {"Set Environment", {NoCheck, true}},
      {"Install Service", {NoCheck, true}},
      {"Install ODBC Driver", {NoCheck, true}},
      {"Create ODBC DSN", {NoCheck, true}},
      {"Control Service", {NoCheck, true}},
      {"Write Registry", {NoCheck, true}},
      {"Create File Type", {NoCheck, true}},
      {"Advertised File Type", {NoCheck, true}},
      {"Install Files", {CheckInstallFiles, true}},
      {"Convert Path", {CheckVariableNamedByParam1}},
      {"Convert Case", {CheckVariableNamedByParam1}},
      {"Extract Path", {CheckVariableNamedByParam1}},
      {"Replace String", {CheckVariableNamedByParam1}},
      {"Get System Settings", {DeclareOnly<1>}},
      {"Get OS or SP Level", {DeclareOnly<1>}},
      {"Evaluate Expression", {CheckEvaluateExpression}},
      {"Read Registry", {DeclareOnly<1>}},
      {"Check Registry", {DeclareOnly<1>}},
      {"Does File/Folder Exist", {DeclareOnly<1>}},
      // Declaring an empty name does nothing, so "when not empty" needs no test of its own.
      {"Run Program", {DeclareOnly<4>}},
      {"Run Program As", {DeclareOnly<8>}},
      {"Set Variable", {DeclareSetVariable}},
      {"Localization Variable", {DeclareOnly<1>}},
      {"Get Temporary File", {DeclareOnly<1>}},
      {"Get IIS Property", {DeclareOnly<1>}},
      {"Get IIS Site List", {DeclareOnly<1>}},
      {"Get File Version", {DeclareOnly<2>}},
      {"Get Environment", {DeclareOnly<2>}},
      {"Get IIS Site Index", {DeclareOnly<2>}},
      {"GoTo Label", {CheckGoToLabel}},
      {"Find All Files", {RequireAndDeclare<4>}},
      {"Check Disk Space", {RequireAndDeclare<1>}},
      {"If", {CheckCondition}},
      {"Else If", {CheckCondition}},
      {"MessageBox", {DeclareOnly<5>}},
      {"Check Service", {DeclareOnly<3>}},
      {"Check Process", {DeclareOnly<2>}},
      {"Register Library", {DeclareOnly<3>}},
      {"Apply Changes", {DeclareOnly<2>}},
      {"Apply Patch", {DeclareOnly<1>}},
      {"Display Dialog", {CheckDisplayDialog}},
      {"Get Component State", {DeclareOnly<2>}},
      {"Get Component Space", {DeclareOnly<2>}},
      {"IIS Anonymous User", {DeclareOnly<1>}},
  };
  return rules;
}

PreparationResult Reject(size_t line, std::string message) {
  return PreparationResult{static_cast<int32_t>(line), std::move(message)};
}

void DeclarePredefinedNames(Script& script) {
  for (std::string_view name : kPredefinedNames) {
    if (name == kInitializedName)
      script.Variables().SetVariable(name, "", "Initialization");
    else
      script.Declare(name);
  }
}

std::optional<PreparationResult> CheckBlockStructure(const Script& script) {
  if (!script.HasCommentFlags()) return std::nullopt;
  int64_t opened = 0, closed = 0, depth = 0;
  for (size_t line = 0; line < script.LineCount(); ++line) {
    if (script.Commented(line)) continue;
    const std::string& command = script.Command(line);
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

std::optional<PreparationResult> CollectLabels(const Script& script, LabelNames& labels) {
  for (size_t line = 0; line < script.LineCount(); ++line) {
    if (script.Command(line) != "Label") continue;
    std::string label = script.Param(line, 1);
    if (!labels.insert(ToUpperAscii(label)).second) return Reject(line, "LABEL re-defined: " + label);
  }
  return std::nullopt;
}

// Persisted variables are known to the whole script, also to lines before their assignment.
void DeclarePersistedVariables(Script& script) {
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

std::optional<PreparationResult> CheckCommands(Script& script, const LabelNames& labels, StringList& skipMarks) {
  const auto& rules = CommandRules();
  for (size_t line = 0; line < script.LineCount(); ++line) {
    skipMarks.emplace_back("SKIP");
    if (script.Commented(line)) continue;
    auto rule = rules.find(script.Command(line));
    if (rule == rules.end()) continue;
    if (rule->second.carriedOutByInstaller) skipMarks.back() = "FALSE";
    std::string error = rule->second.rule(LineCheck{script, labels, line});
    if (!error.empty()) return Reject(line, std::move(error));
  }
  return std::nullopt;
}

std::optional<PreparationResult> CheckWizardLoops(const Script& script) {
  bool inside = false;
  for (size_t line = 0; line < script.LineCount(); ++line) {
    const std::string& command = script.Command(line);
    if (command == "Wizard Loop") {
      inside = true;
    } else if (inside && command == "End") {
      inside = false;
    } else if (inside && command != "Display Dialog" && command != "Comment" && !script.Commented(line) &&
               command != "Ignore") {
      return Reject(line, "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP");
    }
  }
  return std::nullopt;
}

}  // namespace

PreparationResult PrepareScript(TVariableManager& variables, const HashedStringList& commandNames,
                                const HashedStringList& lineGuids, const HashedStringList* commentFlags,
                                const ParameterLists& parameterLists, StringList& skipMarks) {
  Script script(variables, commandNames, lineGuids, commentFlags, parameterLists);
  LabelNames labels;
  skipMarks.clear();
  skipMarks.reserve(script.LineCount());
  variables.ClearVariables();
  DeclarePredefinedNames(script);

  // The first error found ends the pass; later lines and passes are not examined.
  if (auto rejected = CheckBlockStructure(script)) return *rejected;
  if (auto rejected = CollectLabels(script, labels)) return *rejected;
  DeclarePersistedVariables(script);
  if (auto rejected = CheckCommands(script, labels, skipMarks)) return *rejected;
  if (auto rejected = CheckWizardLoops(script)) return *rejected;
  return PreparationResult{kScriptAccepted, kAccepted};
}

}  // namespace quarrix

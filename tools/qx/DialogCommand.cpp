// qx dialog: checks a dialog file as start-up would load it, and, given the script, that every
// control's hint names a variable the script can see.
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "QxCommands.h"
#include "common/AnsiText.h"
#include "common/CommaText.h"
#include "engine/PredefinedVariables.h"
#include "engine/Session.h"
#include "engine/VariableManager.h"
#include "platform/ControlClasses.h"
#include "platform/sim/SimMachine.h"
#include "ui/FormParser.h"

namespace quarrix::qx {
namespace {

namespace fs = std::filesystem;
using platform::FormObject;

struct DialogOptions {
  std::string dialogFile;
  std::optional<std::string> script;
};

DialogOptions ParseDialogArguments(Arguments arguments) {
  std::vector<std::string> rest(arguments.begin(), arguments.end());
  DialogOptions options;
  options.script = TakeOption(rest, "--script");
  ParsedArguments parsed = ParseArguments("dialog", rest, false);
  ExpectPositionalCount("dialog", parsed, 1);
  options.dialogFile = parsed.positional[0];
  return options;
}

void AddWords(std::unordered_set<std::string>& names, std::string_view text) {
  size_t start = std::string_view::npos;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool wordChar = i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_');
    if (wordChar && start == std::string_view::npos) start = i;
    if (!wordChar && start != std::string_view::npos) {
      names.insert(ToUpperAscii(text.substr(start, i - start)));
      start = std::string_view::npos;
    }
  }
}

// What a hint may name: every word the script's parameters hold (a variable is named in them to
// be set, read or referenced), and the variables the engine defines before the first line.
std::unordered_set<std::string> VariablesOf(const ScriptPayload& payload) {
  std::unordered_set<std::string> names;
  for (const std::string& entry : payload.parameterList.Entries()) {
    const size_t equals = entry.find('=');
    AddWords(names, equals == std::string::npos ? entry : std::string_view(entry).substr(equals + 1));
  }
  std::error_code ignored;
  const fs::path machineFolder = fs::temp_directory_path() / ("qx-dialog-" + std::to_string(::getpid()));
  {
    platform::sim::SimMachine machine(machineFolder);
    platform::Platform platform = machine.AsPlatform();
    Session session(platform);
    SetPreInitializationVariables(session);
    PerLineRefresh refresh(session, [](Session&, bool) { return std::string("C:\\ProgramData\\Cache\\"); });
    SetPredefinedVariables(session, refresh, "");
    for (const std::string& item : FromCommaText(session.variables.ExportVariables()))
      names.insert(ToUpperAscii(item.substr(0, item.find('='))));
  }
  fs::remove_all(machineFolder, ignored);
  return names;
}

struct Findings {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  size_t controls = 0;
  size_t bound = 0;
};

void CheckObject(const FormObject& object, bool outermost, const std::string& fileName,
                 const std::unordered_set<std::string>* variables, Findings& findings) {
  const std::string where = fileName + " line " + std::to_string(object.line) + ": ";
  const std::string label = object.name.empty() ? "an unnamed " + object.className : "\"" + object.name + "\"";
  const bool designer = EqualsIgnoreCase(object.name, platform::kFormDesignerName);
  if (!outermost) {
    ++findings.controls;
    if (!designer && !platform::IsControlClass(object.className))
      findings.errors.push_back(where + "unknown control class \"" + object.className + "\" of " + label);
  }
  const platform::FormProperty* hint = object.Find("Hint");
  if (hint && !designer && !hint->value.text.empty()) {
    ++findings.bound;
    std::string name = StripReference(hint->value.text);
    if (name.empty()) name = hint->value.text;
    if (variables && !variables->count(ToUpperAscii(name)))
      findings.warnings.push_back(fileName + " line " + std::to_string(hint->line) + ": warning: the hint of " +
                                  label + " names \"" + name + "\", a variable the script does not use");
  }
  for (const FormObject& child : object.children) CheckObject(child, false, fileName, variables, findings);
}

std::string Counted(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

int RunDialog(Arguments arguments) {
  const DialogOptions options = ParseDialogArguments(arguments);
  const std::string text = ReadHostFile(options.dialogFile);
  const std::string fileName = fs::path(options.dialogFile).filename().string();
  std::optional<std::unordered_set<std::string>> variables;
  if (options.script) variables = VariablesOf(LoadPayloadOrSource(*options.script));

  FormObject form;
  try {
    form = ui::ParseForm(text, fileName);
  } catch (const ui::FormParseError& error) {
    WriteStdout(std::string(error.std::runtime_error::what()) + "\n");
    return kExitRejected;
  }
  Findings findings;
  CheckObject(form, true, fileName, variables ? &*variables : nullptr, findings);
  std::string report;
  for (const std::string& line : findings.errors) report += line + "\n";
  for (const std::string& line : findings.warnings) report += line + "\n";
  report += fileName + ": " + form.className + " \"" + form.name + "\", " + Counted(findings.controls, "control") +
            ", " + std::to_string(findings.bound) + " bound to variables";
  if (!findings.errors.empty()) report += ", " + Counted(findings.errors.size(), "error");
  WriteStdout(report + "\n");
  return findings.errors.empty() ? kExitOk : kExitRejected;
}

}  // namespace quarrix::qx

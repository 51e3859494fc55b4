// The wizard's dialog commands. The dialogs themselves belong to the user interface; these
// handlers decide what is shown and hand the user's choice to the script and the wizard loop.
#include <string>

#include "commands/CommandFamilies.h"
#include "engine/DialogHost.h"
#include "engine/VariableManager.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

std::string ResultText(const platform::DialogOutcome& outcome) {
  switch (outcome.result) {
    case platform::kDialogNotModal: return "NOTMODAL";
    case platform::kDialogCancelled: return "CANCEL";
    case platform::kDialogNext: return "NEXT";
    case platform::kDialogBack: return "BACK";
    case platform::kDialogCustom: return ToUpperAscii(outcome.customText);
    default: return {};
  }
}

// Parameter 4 names a variable; when its truth equals parameter 6 the dialog is not shown.
bool SkipsDialog(const CommandContext& context) {
  const std::string written = context.Param(4);
  if (written.empty()) return false;
  const std::string reference = StripReference(written);
  const std::string& name = reference.empty() ? written : reference;
  return IsTrue(context.session.variables.GetVariable(name)) == IsTrue(context.Param(6));
}

platform::DialogOutcome Show(CommandContext& context, bool modal) {
  // A cancel request belongs to the work it interrupted, not to the next page.
  context.session.variables.SetVariable("VELD_IsCancelled", "FALSE", "ShowDesign");
  // Silent runs show nothing: a modal dialog is passed as with NEXT, one shown without waiting
  // leaves no window behind.
  if (context.session.silent) return {modal ? platform::kDialogNext : platform::kDialogNotModal, "", 0};
  const std::string key = std::to_string(context.LineIndex());
  if (context.session.dialogs != nullptr) return context.session.dialogs->Display(key, modal);
  return context.session.platform.ui.ShowDialog(key, context.Param(1), modal);
}

// Parameters are used as stored; parameter 5 is not read.
void DisplayDialog(CommandContext& context) {
  context.run.lastDialogResult = 0;
  if (SkipsDialog(context)) return;
  // Inside a navigating wizard loop every dialog waits for the user.
  const bool modal = context.run.wizardLoopActive || context.Truth(3);
  platform::DialogOutcome outcome = Show(context, modal);
  TVariableManager& variables = context.session.variables;
  if (modal) {
    context.run.progressWindowHandle = 0;
    variables.SetVariable("WINDOWHANDLE", "0", context.ActionContext());
  } else {
    outcome.result = platform::kDialogNotModal;
    context.run.progressWindowHandle = outcome.windowHandle;
    variables.SetVariable("WINDOWHANDLE", std::to_string(outcome.windowHandle), context.ActionContext());
  }
  if (!context.Param(2).empty()) context.SetDeclaredResult(2, ResultText(outcome));
  context.run.lastDialogResult = outcome.result;
}

void HideDialog(CommandContext& context) {
  if (context.session.dialogs != nullptr)
    context.session.dialogs->HideDialog();
  else
    context.session.platform.ui.HideDialogs();
  context.run.progressWindowHandle = 0;
  context.session.variables.SetVariable("WINDOWHANDLE", "0", "Hide Dialog");
}

std::string CheckDisplayDialog(const LineCheck& check) {
  if (check.Param(1).empty()) return "Dialog name not specified";
  check.Declare(2);
  std::string bound = check.Param(4);
  if (!bound.empty() && !check.ReferenceDefined(bound, true)) return kVariableNotDefined + bound;
  return {};
}

constexpr CommandRow kRows[] = {
    {.name = "Display Dialog", .handler = DisplayDialog, .prepare = CheckDisplayDialog, .steersWizardLoop = true},
    {"Hide Dialog", HideDialog},
};

}  // namespace

std::span<const CommandRow> DialogCommandRows() { return kRows; }

}  // namespace quarrix

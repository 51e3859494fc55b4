#include "engine/Interpreter.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "engine/CommandCatalogue.h"
#include "common/IntegerSyntax.h"
#include "engine/CommandContext.h"
#include "engine/DialogHost.h"
#include "engine/Eval.h"
#include "engine/PredefinedVariables.h"
#include "engine/RunLanguage.h"
#include "engine/RuntimeError.h"
#include "engine/Skipping.h"
#include "engine/WorkerHandshake.h"
#include "engine/Wow64Switches.h"
#include "engine/VariableManager.h"
#include "engine/InstanceCache.h"
#include "engine/LocalizeParameter.h"
#include "platform/UserInterface.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

// Engine settings a script may change at any line; the next line sees the effect.
void RefreshEngineSettings(Session& session, RunState& run, PerLineRefresh& refresh) {
  TVariableManager& variables = session.variables;
  session.trace.SetLogPath(variables.GetVariable("LOGGED"));
  run.silentMode = IsTrue(variables.GetVariable("SILENT"));
  session.silent = run.silentMode;
  variables.SetSilent(run.silentMode);
  session.captionTitle = variables.GetVariable("TITLE");
  session.logoFree = variables.GetVariable("VELDLOGO") == "TRUE";
  session.run.instanceCache->RefreshCacheOverride(session);
  refresh.RefreshDateAndTime();
  RefreshLanguage(session);
  refresh.RefreshInstanceLinks();
}

constexpr int32_t kMessagePumpInterval = 314;

// A long script without dialogs still lets the windows repaint.
void PumpMessagesNowAndThen(Session& session, int32_t lineNumber) {
  if (lineNumber % kMessagePumpInterval == 0) session.platform.threads.ProcessPendingMessages();
}

// While a dialog is shown without waiting, the script drives its progress through PROGRESS and
// PROGRESSTEXT; the dialog hears of a change before the next line runs.
void HandOverProgress(Session& session, RunState& run) {
  if (run.progressWindowHandle == 0) return;
  TVariableManager& variables = session.variables;
  const std::string text = variables.GetVariable("PROGRESSTEXT");
  const std::string positionText = variables.GetVariable("PROGRESS");
  const std::optional<int32_t> position = ParseScriptInteger(positionText);
  if (!position) throw std::runtime_error("'" + positionText + "' is not a valid integer value");
  if (text == run.lastProgressText && *position == run.lastProgressPosition) return;
  run.lastProgressText = text;
  run.lastProgressPosition = *position;
  ReportProgress(variables, session.platform.clock, text, 0, 100, *position);
  if (session.dialogs != nullptr && !run.silentMode) session.dialogs->ShowProgress(text, *position);
  if (!run.silentMode) session.platform.threads.ProcessOneMessage(0);
}

void RefreshCancelState(Session& session) {
  const bool cancelled = IsTrue(session.variables.GetVariable("VELD_IsCancelled"));
  session.variables.SetVariable("ABORT", BoolText(cancelled), "Cancel State");
}

class Interpreter {
 public:
  Interpreter(Session& session, RunState& run, const ScriptLines& lines)
      : session_(session), run_(run), lines_(lines) {}

  // Chooses the line of this iteration; false when the script has run out of lines.
  bool MoveToNextLine();
  void Dispatch();
  size_t CurrentIndex() const { return static_cast<size_t>(run_.lineNumber - 1); }

 private:
  void ConsumeSkip();
  void MoveInWizardLoop();
  void LeaveWizardLoop(int32_t endLine);
  void Fetch();
  bool FlowCheckConsumed(const std::string& command);
  void EvaluateBranch(size_t index);
  void GoToLabel(size_t index);
  void RunDialogLine(CommandContext& context, CommandHandler handler);
  std::string ConditionParameter(const LineParameters& parameters, size_t n, int slot, size_t index) const;

  Session& session_;
  RunState& run_;
  const ScriptLines& lines_;
};

bool Interpreter::MoveToNextLine() {
  const bool skipped = run_.skipToElse || run_.skipToEnd;
  if (skipped) ConsumeSkip();
  if (run_.wizardLoopActive) {
    MoveInWizardLoop();
  } else {
    Fetch();
  }
  return static_cast<size_t>(run_.lineNumber) <= lines_.Count();
}

void Interpreter::ConsumeSkip() {
  if (run_.skipToElse) {
    run_.skipToElse = false;
    run_.lineNumber = ScanToBranchEnd(lines_, run_.lineNumber, SkipKind::ToElse);
    const std::string_view stop = lines_.Command(CurrentIndex());
    if (stop == "Else If") {
      --run_.lineNumber;
      run_.evaluateElseIfDirectly = true;
    } else if (stop == "End") {
      --run_.lineNumber;
      run_.endRefetched = true;
      run_.endRefetchedBy = SkipKind::ToElse;
    } else {
      ++run_.openBranches;  // the else branch is entered
    }
    return;
  }
  run_.skipToEnd = false;
  run_.lineNumber = ScanToBranchEnd(lines_, run_.lineNumber, SkipKind::ToEnd) - 1;
  run_.endRefetched = true;
  run_.endRefetchedBy = SkipKind::ToEnd;
}

// The loop's "End" is fetched next and then closes the loop without touching openBranches.
void Interpreter::LeaveWizardLoop(int32_t endLine) {
  run_.wizardLoopActive = false;
  run_.wizardLoopJustEnded = true;
  run_.lineNumber = endLine - 1;
  Fetch();
}

void Interpreter::MoveInWizardLoop() {
  if (run_.wizardDirection == 0) {
    LeaveWizardLoop(ScanToNextEnd(lines_, run_.lineNumber));
    return;
  }
  const int32_t target = StepInWizardLoop(lines_, run_.lineNumber, run_.wizardDirection);
  const std::string_view command = lines_.Command(static_cast<size_t>(target - 1));
  if (command == "End") {
    LeaveWizardLoop(target);
  } else if (command == "Wizard Loop") {
    LeaveWizardLoop(ScanToNextEnd(lines_, target));
  } else {
    run_.lineNumber = target;
    run_.command = command;
  }
}

void Interpreter::Fetch() {
  const auto count = static_cast<int32_t>(lines_.Count());
  do {
    ++run_.lineNumber;
  } while (run_.lineNumber < count && lines_.CommentedOrIgnore(CurrentIndex()));
  if (run_.lineNumber <= count) run_.command = lines_.Command(CurrentIndex());
}

bool Interpreter::FlowCheckConsumed(const std::string& command) {
  if (run_.endRefetched && command == "End") {
    run_.endRefetched = false;
    if (run_.endRefetchedBy == SkipKind::ToEnd && run_.openBranches > 0) --run_.openBranches;
    return true;
  }
  if (command == "Else") {
    run_.skipToEnd = true;
    return true;
  }
  if (run_.openBranches > 0 && !run_.wizardLoopJustEnded) {
    if (command == "Else If" || command == "Else") {
      run_.skipToEnd = true;
      return true;
    }
    if (command == "End") {
      --run_.openBranches;
      return true;
    }
  }
  run_.wizardLoopJustEnded = false;
  return false;
}

std::string Interpreter::ConditionParameter(const LineParameters& parameters, size_t n, int slot,
                                            size_t index) const {
  std::string value = parameters.Get(n);
  if (session_.variables.GetVariable("LANGUAGE").empty()) return value;
  const StringList& constants = session_.payload.buildConstants;
  return LocalizeParameter(session_.translations, ExpandConstants("#LOCMODE#", constants), value,
                           session_.payload.lineGuids.At(index), slot, constants);
}

void Interpreter::EvaluateBranch(size_t index) {
  const LineParameters parameters(session_.parameterLists, session_.payload.lineGuids.At(index));
  const std::string variable = ConditionParameter(parameters, 1, 1, index);
  const std::string operand = ConditionParameter(parameters, 3, 2, index);
  if (EvaluateCondition(session_.variables, variable, parameters.Get(2), operand, parameters.Get(4))) {
    ++run_.openBranches;
  } else {
    run_.skipToElse = true;
  }
}

void Interpreter::GoToLabel(size_t index) {
  const std::string name = GetLineParameter(session_.parameterLists, session_.payload.lineGuids.At(index), 1);
  const int32_t* label = run_.labels.Find(name);
  if (label == nullptr) throw std::runtime_error("Label \"" + ToUpperAscii(name) + "\" not found");
  run_.lineNumber = *label;
  run_.openBranches = 0;
  run_.skipToElse = run_.skipToEnd = run_.endRefetched = false;
  run_.wizardLoopActive = run_.wizardLoopJustEnded = false;
  run_.evaluateElseIfDirectly = false;
}

void Interpreter::RunDialogLine(CommandContext& context, CommandHandler handler) {
  run_.lastDialogResult = 0;
  handler(context);
  if (!run_.wizardLoopActive) return;
  switch (run_.lastDialogResult) {
    case platform::kDialogNext: run_.wizardDirection = +1; break;
    case platform::kDialogBack: run_.wizardDirection = -1; break;
    case platform::kDialogCancelled: run_.wizardDirection = 0; break;
    default: break;  // the dialog did not close by a wizard button
  }
}

void Interpreter::Dispatch() {
  const size_t index = CurrentIndex();
  const std::string& command = run_.command;
  // Plug-in calls take precedence over built-in names and over the flow checks.
  const StringList& plugins = session_.payload.pluginCommands;
  if (std::find(plugins.begin(), plugins.end(), command) != plugins.end()) {
    if (const CommandRow* row = session_.run.commands->PluginCall(); row && row->handler) {
      CommandContext context(session_, run_, index, *row);
      row->handler(context);
    }
    return;
  }

  if (run_.evaluateElseIfDirectly) {
    run_.evaluateElseIfDirectly = false;
    EvaluateBranch(index);
    return;
  }
  if (FlowCheckConsumed(command)) return;

  if (command == "If" || command == "Else If") {
    EvaluateBranch(index);
  } else if (command == "Wizard Loop") {
    run_.wizardLoopActive = true;
    run_.wizardDirection = +1;
  } else if (command == "GoTo Label") {
    GoToLabel(index);
  } else if (command == "Terminate Install") {
    run_.ended = true;
  } else if (command == "Terminate with Exit Code") {
    const std::string code =
        session_.variables.ExpandVariables(GetLineParameter(session_.parameterLists, session_.payload.lineGuids.At(index), 1));
    session_.exitCode = ParseScriptInteger(code).value_or(0);
    run_.ended = true;
  } else if (const CommandRow* row = session_.run.commands->Find(command); row && row->handler) {
    CommandContext context(session_, run_, index, *row);
    std::optional<Wow64Bracket> redirectionOff;
    if (row->touchesFiles) redirectionOff.emplace(session_, false, Wow64Bracket::Registry::Untouched);
    if (row->steersWizardLoop) {
      RunDialogLine(context, row->handler);
    } else {
      row->handler(context);
    }
  }
  // Anything else ("Label", "Comment", an "End" the flow checks left, unknown names) does nothing.
}

// The error is reported for the line that was current when it happened.
RunEnd Fail(Session& session, RunState& run, const char* message) {
  const size_t index = run.lineNumber > 0 ? static_cast<size_t>(run.lineNumber - 1) : 0;
  ReportRuntimeError(session, index, message);
  RunCleanup(session, run);
  return RunEnd::Failed;
}

}  // namespace

void BuildLabelTable(Session& session, RunState& run, const ScriptLines& lines) {
  run.labels.Clear();
  for (size_t index = 0; index < lines.Count(); ++index) {
    if (lines.Command(index) != "Label") continue;
    const std::string name = GetLineParameter(session.parameterLists, session.payload.lineGuids.At(index), 1);
    // The first of two equal labels stays (preparation rejects a script that has both).
    auto [line, added] = run.labels.FindOrAdd(name);
    if (added) line = static_cast<int32_t>(index);
  }
}

void RunCleanup(Session& session, RunState& run) {
  if (!session.run.singleInstanceMarker.empty()) {
    session.platform.files.RemoveFile(session.run.singleInstanceMarker);
    session.run.singleInstanceMarker.clear();
  }
  session.platform.ui.HideDialogs();
  if (session.dialogs != nullptr) session.dialogs->Shutdown();
  run.progressWindowHandle = 0;
  session.platform.toolkit.HideTrayIcon();
  // Open text files are released here once their unit exists.
  run.labels.Clear();
}

RunEnd RunMainLoop(Session& session, RunState& run, const ScriptLines& lines, PerLineRefresh& refresh,
                   const StepCallback& stepCallback) {
  Interpreter interpreter(session, run, lines);
  try {
    while (run.lineNumber < static_cast<int32_t>(lines.Count())) {
      PumpMessagesNowAndThen(session, run.lineNumber);
      RefreshEngineSettings(session, run, refresh);
      if (!interpreter.MoveToNextLine()) break;
      if (lines.Commented(interpreter.CurrentIndex())) continue;
      RefreshCancelState(session);
      HandOverProgress(session, run);
      if (stepCallback && !stepCallback(run.lineNumber)) {
        RunCleanup(session, run);
        return RunEnd::Stopped;
      }
      interpreter.Dispatch();
      if (run.ended) break;
    }
  } catch (const std::exception& error) {
    return Fail(session, run, error.what());
  }
  return RunEnd::Finished;
}

}  // namespace quarrix

#include "ui/ProgressDisplay.h"

#include <stdexcept>

#include "common/IntegerSyntax.h"
#include "engine/VariableManager.h"
#include "ui/DialogRules.h"

namespace quarrix::ui {
namespace {

constexpr int64_t kLargestBarValue = 2147483647;

bool Is(const std::string& className, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (EqualsIgnoreCase(className, name)) return true;
  return false;
}

int64_t StoredNumber(const TVariableManager& variables, const char* name) {
  const std::string text = variables.GetVariable(name);
  const std::optional<int64_t> value = ParseScriptInteger64(text);
  if (!value) throw std::runtime_error("'" + text + "' is not a valid integer value");
  return *value;
}

// A caption follows the variables its design text names.
void RefreshCaption(const DialogScope& scope, const std::string& control) {
  const std::string* design = scope.state.designTexts.Find(scope.dialog.name, control);
  if (design == nullptr) return;
  const std::string caption = scope.session.variables.ExpandVariables(*design);
  if (scope.Get(control, "Caption") != caption) scope.Set(control, "Caption", caption);
}

void ShowOnTaskbar(const DialogScope& scope, const std::string& mode, int64_t position, int64_t maximum) {
  platform::Toolkit& toolkit = scope.toolkit;
  if (!toolkit.HasTaskbarProgress()) return;
  const platform::FormId form = scope.dialog.form;
  if (mode != "MARQUEE") {
    toolkit.SetTaskbarState(form, platform::TaskbarState::Normal);
    toolkit.SetTaskbarProgress(form, static_cast<uint64_t>(std::max<int64_t>(position, 0)),
                               static_cast<uint64_t>(std::max<int64_t>(maximum, 0)));
  } else {
    toolkit.SetTaskbarState(form, platform::TaskbarState::Indeterminate);
  }
  if (mode == "ERROR") toolkit.SetTaskbarState(form, platform::TaskbarState::Error);
  if (mode == "PAUSE") toolkit.SetTaskbarState(form, platform::TaskbarState::Paused);
}

// A bar with tag 100 shows the percentage in the variable its hint names.
void ShowVariablePercent(const DialogScope& scope, const std::string& control, const char* positionProperty,
                         const char* minProperty, const char* maxProperty) {
  scope.Set(control, minProperty, "0");
  scope.Set(control, maxProperty, "100");
  const std::string text = scope.session.variables.ExpandVariables("$" + scope.Hint(control) + "$");
  const std::optional<int32_t> value = ParseScriptInteger(text);
  if (!value) throw std::runtime_error("'" + text + "' is not a valid integer value");
  if (scope.Get(control, positionProperty) != std::to_string(*value))
    scope.Set(control, positionProperty, std::to_string(*value));
}

void ShowOnBar(const DialogScope& scope, const std::string& control, const std::string& mode, int64_t minimum,
               int64_t maximum, int64_t position) {
  if (mode == "MARQUEE") {
    scope.Set(control, "Marquee", "True");
    return;
  }
  scope.Set(control, "Marquee", "False");
  // The bar takes 32-bit values; the taskbar keeps the full ones.
  const bool scaled = maximum > kLargestBarValue;
  const int64_t divisor = scaled ? 1024 : 1;
  scope.Set(control, "Max", std::to_string(maximum / divisor));
  scope.Set(control, "Min", std::to_string(minimum / divisor));
  scope.Set(control, "Position", std::to_string(position / divisor));
}

void ShowOnControl(const DialogScope& scope, const platform::ComponentInfo& info, const std::string& text,
                   const std::string& mode, int64_t minimum, int64_t maximum, int64_t position) {
  const std::string& kind = info.className;
  const int tag = scope.Tag(info.name);
  if (Is(kind, {"TLabel", "TButton", "TRzBmpButton", "TPanel", "TTabSheet"})) return RefreshCaption(scope, info.name);
  if (Is(kind, {"TStaticText"})) {
    // Tags 2 to 6 are information texts, which the caption refresh would wipe out.
    if (tag == 1) scope.Set(info.name, "Caption", text);
    else if (tag < 2 || tag > 6) RefreshCaption(scope, info.name);
    return;
  }
  const bool bar = Is(kind, {"TProgressBar"});
  const bool gauge = Is(kind, {"TGauge"});
  if (!bar && !gauge) return;
  const char* positionProperty = bar ? "Position" : "Progress";
  const char* maxProperty = bar ? "Max" : "MaxValue";
  try {
    if (tag == 1 && bar) {
      ShowOnBar(scope, info.name, mode, minimum, maximum, position);
    } else if (tag == 1) {
      scope.Set(info.name, "MaxValue", std::to_string(static_cast<int32_t>(maximum)));
      scope.Set(info.name, "MinValue", std::to_string(static_cast<int32_t>(minimum)));
      scope.Set(info.name, "Progress", std::to_string(static_cast<int32_t>(position)));
    } else if (tag == 100) {
      ShowVariablePercent(scope, info.name, positionProperty, bar ? "Min" : "MinValue", maxProperty);
    }
  } catch (const std::exception&) {
    scope.Set(info.name, positionProperty, scope.Get(info.name, maxProperty));
  }
}

}  // namespace

platform::TaskbarState TaskbarStateOf(const std::string& mode) {
  if (mode == "MARQUEE") return platform::TaskbarState::Indeterminate;
  if (mode == "ERROR") return platform::TaskbarState::Error;
  if (mode == "PAUSE") return platform::TaskbarState::Paused;
  return platform::TaskbarState::Normal;
}

bool UpdateProgressDisplay(const DialogScope& scope, std::string text, bool copyCancel, int64_t minimum,
                           int64_t maximum, int64_t position) {
  TVariableManager& variables = scope.session.variables;
  const bool cancelled = IsTrue(variables.GetVariable("VELD_IsCancelled"));
  if (copyCancel) variables.StoreVariable("VELD_thCancelled", BoolText(cancelled));
  if (scope.session.silent) return cancelled;
  if (text == kProgressFromHandshake) {
    text = variables.GetVariable("VELD_thProgressText");
    position = StoredNumber(variables, "VELD_thProgress");
    maximum = StoredNumber(variables, "VELD_thMax");
    minimum = StoredNumber(variables, "VELD_thMin");
  }
  const std::string mode = variables.GetVariable("PROGRESSMODE");
  ShowOnTaskbar(scope, mode, position, maximum);
  for (const platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form))
    if (!EqualsIgnoreCase(info.name, "cmpFormDesigner")) ShowOnControl(scope, info, text, mode, minimum, maximum, position);
  EvaluateDialogRules(scope.toolkit, scope.dialog.form, scope.dialog.name, scope.dialog.rules);
  return cancelled;
}

}  // namespace quarrix::ui

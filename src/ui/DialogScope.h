#pragma once
// What the binding, the rules and the event handlers of one dialog work on: the session, the
// toolkit, the dialog engine's shared state and the dialog itself.
#include <functional>
#include <optional>
#include <string>

#include "engine/Session.h"
#include "platform/Toolkit.h"
#include "ui/DesignTextCache.h"
#include "ui/PoolTemplate.h"

namespace quarrix::ui {

struct DialogEngineState {
  std::string dialogFolder;  // with trailing backslash
  // While set, value handlers write nothing: the engine itself is filling the controls.
  bool bindingInProgress = false;
  DesignTextCache designTexts;
  // TARGETDIR as the dialog was shown, and its part below the nearest existing folder.
  std::string destinationAtShow;
  std::string destinationTail;
  // Told every variable a dialog writes, as "dialog: NAME = value (handler)".
  std::function<void(const std::string&)> onReport;
};

// Sets the binding flag for its lifetime and restores what it was.
class BindingGuard {
 public:
  explicit BindingGuard(DialogEngineState& state) : state_(state), was_(state.bindingInProgress) {
    state.bindingInProgress = true;
  }
  ~BindingGuard() { state_.bindingInProgress = was_; }
  BindingGuard(const BindingGuard&) = delete;
  BindingGuard& operator=(const BindingGuard&) = delete;

 private:
  DialogEngineState& state_;
  bool was_;
};

struct DialogScope {
  Session& session;
  platform::Toolkit& toolkit;
  DialogEngineState& state;
  PoolTemplate& dialog;

  std::string Get(const std::string& component, const std::string& property) const {
    return toolkit.GetProperty(dialog.form, component, property).value_or("");
  }
  bool Set(const std::string& component, const std::string& property, const std::string& value) const {
    return toolkit.SetProperty(dialog.form, component, property, value);
  }
  int Tag(const std::string& component) const;
  std::string Hint(const std::string& component) const { return Get(component, "Hint"); }
  // The variable a control is bound to: its hint, a bare name or one "$NAME$" reference.
  std::string BoundName(const std::string& component) const;
  // The bound variable's expanded value; nothing when the control is unbound or the variable
  // does not exist (the control then keeps what it shows).
  std::optional<std::string> BoundValue(const std::string& component) const;
  // A value handler's write into the control's variable; nothing for a control without hint.
  void Write(const std::string& component, const std::string& value, const std::string& handler) const;
  void WriteVariable(const std::string& name, const std::string& value, const std::string& handler) const;
};

}  // namespace quarrix::ui

#include "ui/DialogScope.h"

#include "common/IntegerSyntax.h"
#include "engine/VariableManager.h"

namespace quarrix::ui {

int DialogScope::Tag(const std::string& component) const {
  const std::optional<int32_t> tag = ParseScriptInteger(Get(component, "Tag"));
  return tag.value_or(0);
}

std::string DialogScope::BoundName(const std::string& component) const {
  const std::string hint = Hint(component);
  const std::string reference = StripReference(hint);
  return reference.empty() ? hint : reference;
}

std::optional<std::string> DialogScope::BoundValue(const std::string& component) const {
  const std::string name = BoundName(component);
  if (name.empty()) return std::nullopt;
  std::optional<std::string> value = session.variables.LookupVariable(name);
  if (!value) return std::nullopt;
  return session.variables.ExpandVariables(*value);
}

void DialogScope::Write(const std::string& component, const std::string& value, const std::string& handler) const {
  WriteVariable(BoundName(component), value, handler);
}

void DialogScope::WriteVariable(const std::string& name, const std::string& value, const std::string& handler) const {
  if (name.empty()) return;
  session.variables.SetVariable(ToUpperAscii(name), value, handler);
  if (state.onReport) state.onReport(dialog.name + ": " + ToUpperAscii(name) + " = " + value + " (" + handler + ")");
}

}  // namespace quarrix::ui

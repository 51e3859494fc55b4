#include "ui/DialogRules.h"

namespace quarrix::ui {
namespace {

constexpr size_t kRulePrefixLength = 4;  // "IF (" as the editor writes it
constexpr std::string_view kNegated = " <> ";
constexpr std::string_view kEquals = " = ";
constexpr std::string_view kThen = ")  THEN  ";
constexpr std::string_view kAssign = " := ";

// The text up to the delimiter, moving past it; nothing when the delimiter is missing.
std::optional<std::string> TakeUntil(std::string_view text, size_t& at, std::string_view delimiter) {
  const size_t end = text.find(delimiter, at);
  if (end == std::string_view::npos) return std::nullopt;
  std::string part(text.substr(at, end - at));
  at = end + delimiter.size();
  return part;
}

// The window answers to its own name and to the empty name.
std::string ComponentName(const std::string& name, const std::string& windowName) {
  return EqualsIgnoreCase(name, windowName) ? std::string() : name;
}

// "Component.Property" becomes that property's current value when both exist; any other text
// stands as written.
std::string Resolve(platform::Toolkit& toolkit, platform::FormId form, const std::string& windowName,
                    const std::string& text) {
  const size_t dot = text.find('.');
  if (dot == std::string::npos) return text;
  const std::string component = text.substr(0, dot);
  if (component.empty()) return text;
  return toolkit.GetProperty(form, ComponentName(component, windowName), text.substr(dot + 1)).value_or(text);
}

}  // namespace

std::optional<DialogRule> ParseDialogRule(std::string_view line) {
  if (line.size() <= kRulePrefixLength) return std::nullopt;
  const std::string_view rest = line.substr(kRulePrefixLength);
  DialogRule rule;
  rule.negated = rest.find(kNegated) != std::string_view::npos;
  size_t at = 0;
  auto componentA = TakeUntil(rest, at, ".");
  auto propertyA = componentA ? TakeUntil(rest, at, rule.negated ? kNegated : kEquals) : std::nullopt;
  auto value = propertyA ? TakeUntil(rest, at, kThen) : std::nullopt;
  auto componentB = value ? TakeUntil(rest, at, ".") : std::nullopt;
  auto propertyB = componentB ? TakeUntil(rest, at, kAssign) : std::nullopt;
  if (!propertyB) return std::nullopt;
  auto assigned = TakeUntil(rest, at, ";");
  rule.componentA = *componentA;
  rule.propertyA = *propertyA;
  rule.value = *value;
  rule.componentB = *componentB;
  rule.propertyB = *propertyB;
  rule.assigned = assigned ? *assigned : std::string(rest.substr(at));
  return rule;
}

void EvaluateDialogRules(platform::Toolkit& toolkit, platform::FormId form, const std::string& windowName,
                         const StringList& rules) {
  for (const std::string& line : rules) {
    const std::optional<DialogRule> rule = ParseDialogRule(line);
    if (!rule) continue;
    const std::string expected = Resolve(toolkit, form, windowName, rule->value);
    const std::string actual =
        toolkit.GetProperty(form, ComponentName(rule->componentA, windowName), rule->propertyA).value_or("");
    if ((actual == expected) == rule->negated) continue;
    toolkit.SetProperty(form, ComponentName(rule->componentB, windowName), rule->propertyB,
                        Resolve(toolkit, form, windowName, rule->assigned));
  }
}

}  // namespace quarrix::ui

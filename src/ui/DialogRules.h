#pragma once
// The rules file beside a dialog: lines such as
//   IF (CheckBox1.Checked = True)  THEN  Button2.Enabled := True;
// that let one control's property decide another's. Rules run after binding and after every
// handler, in file order.
#include <optional>
#include <string>
#include <string_view>

#include "common/AnsiText.h"
#include "platform/Toolkit.h"

namespace quarrix::ui {

struct DialogRule {
  std::string componentA;
  std::string propertyA;
  bool negated = false;  // " <> " instead of " = "
  std::string value;     // compared with property A; "Component.Property" names another one
  std::string componentB;
  std::string propertyB;
  std::string assigned;  // written into property B; "Component.Property" as for value
};

// Nothing for a line that lacks one of the rule's parts.
std::optional<DialogRule> ParseDialogRule(std::string_view line);

// windowName: the dialog window's own name, by which rules may address it.
void EvaluateDialogRules(platform::Toolkit& toolkit, platform::FormId form, const std::string& windowName,
                         const StringList& rules);

}  // namespace quarrix::ui

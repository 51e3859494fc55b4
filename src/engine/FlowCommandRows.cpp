// The commands of the interpreter loop itself, with what the preparation pass checks of them.
#include "engine/CommandCatalogue.h"

namespace quarrix {
namespace {

std::string CheckGoToLabel(const LineCheck& check) {
  std::string label = check.Param(1);
  if (!check.LabelDefined(label)) return "LABEL undefined: " + label;
  return {};
}

std::string CheckCondition(const LineCheck& check) {
  std::string variable = check.Param(1);
  if (variable.empty()) return kVariableRequired;
  std::string operand = check.Param(3);
  if (!check.ReferenceDefined(operand, false)) return kVariableNotDefined + operand;
  if (!check.ReferenceDefined(variable, true)) return kVariableNotDefined + variable;
  return {};
}

constexpr CommandRow Flow(std::string_view name, PreparationRule prepare = nullptr) {
  return CommandRow{.name = name, .prepare = prepare, .flowControl = true};
}

const CommandRow kRows[] = {
    Flow("Label"),
    Flow("GoTo Label", CheckGoToLabel),
    Flow("If", CheckCondition),
    Flow("Else If", CheckCondition),
    Flow("Else"),
    Flow("End"),
    Flow("Wizard Loop"),
    Flow("Comment"),
    Flow("Ignore"),
    Flow("Terminate Install"),
    Flow("Terminate with Exit Code"),
};

}  // namespace

std::span<const CommandRow> FlowCommandRows() { return kRows; }

}  // namespace quarrix

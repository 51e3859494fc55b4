#pragma once
// Conditions of "If"/"Else If" lines and the expression language of "Evaluate Expression".
// Neither changes the variable store.
#include <string>
#include <string_view>

namespace quarrix {

class TVariableManager;

// parameters 1 to 4 of the line: variable, comparison code, operand, negation flag.
// Throws std::runtime_error when a version comparison (code "6") meets a non-number component.
bool EvaluateCondition(const TVariableManager& vars, std::string_view variable, std::string_view code,
                       std::string_view operand, std::string_view negate);
bool VersionGreater(std::string_view left, std::string_view right);

// "TRUE", "FALSE" or "ERROR" for text already passed through ExpandVariablesQuoted.
std::string EvaluateExpression(std::string_view text);
// The preparation pass's check: every "$" read as a double quote, accepted unless "ERROR".
bool CheckExpressionSyntax(std::string_view rawExpression);

}  // namespace quarrix

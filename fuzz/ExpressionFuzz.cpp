// Expressions come from script parameters after variable expansion, so any bytes can reach the
// evaluator; it must answer without crashing, and the preparation check must agree with it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Eval.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string result = quarrix::EvaluateExpression(text);
  if (result != "TRUE" && result != "FALSE" && result != "ERROR") __builtin_trap();
  // With no "$" in the text the check reads exactly what the evaluator read, so an accepted
  // expression can only be "ERROR" for a syntax error that consumed the whole text.
  bool accepted = quarrix::CheckExpressionSyntax(text);
  if (text.find('$') == std::string_view::npos && !accepted && result != "ERROR") __builtin_trap();
  return 0;
}

#pragma once
// How the preparation pass examines one line of a command: the rule a catalogue row names.
#include <cstddef>
#include <string>
#include <string_view>

namespace quarrix {

class PreparedScript;

// One line under examination. Parameters past the end of a line read as empty.
class LineCheck {
 public:
  LineCheck(PreparedScript& script, size_t line) : script_(script), line_(line) {}

  std::string Param(size_t n) const;
  // Declares (empty, upper-cased) the variable that parameter n names.
  void Declare(size_t n) const;
  void DeclareName(std::string_view name) const;
  bool Defined(std::string_view name) const;
  // A single reference tests the name it holds; any other text is tested as a name itself
  // (strict) or accepted (lenient).
  bool ReferenceDefined(std::string_view text, bool strict) const;
  bool LabelDefined(std::string_view label) const;

 private:
  PreparedScript& script_;
  size_t line_;
};

// The error message of a line, empty when the line passes.
using PreparationRule = std::string (*)(const LineCheck&);

template <size_t... Params>
std::string DeclareOnly(const LineCheck& check) {
  (check.Declare(Params), ...);
  return {};
}

inline constexpr const char* kVariableRequired = "Variable required";
inline constexpr const char* kVariableNotDefined = "Variable not defined: ";

template <size_t Param>
std::string RequireAndDeclare(const LineCheck& check) {
  if (check.Param(Param).empty()) return kVariableRequired;
  check.Declare(Param);
  return {};
}

}  // namespace quarrix

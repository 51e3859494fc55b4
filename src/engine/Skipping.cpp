#include "engine/Skipping.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace quarrix {
namespace {

[[noreturn]] void ThrowPastEnd(int32_t lineNumber) {
  throw std::out_of_range("List index out of bounds (" + std::to_string(lineNumber - 1) + ")");
}

size_t IndexOf(const ScriptLines& lines, int32_t lineNumber) {
  if (lineNumber < 1 || static_cast<size_t>(lineNumber) > lines.Count()) ThrowPastEnd(lineNumber);
  return static_cast<size_t>(lineNumber - 1);
}

bool IsStop(std::string_view command, SkipKind kind) {
  if (command == "End") return true;
  return kind == SkipKind::ToElse && (command == "Else" || command == "Else If");
}

}  // namespace

int32_t ScanToBranchEnd(const ScriptLines& lines, int32_t from, SkipKind kind) {
  int depth = 0;
  for (int32_t lineNumber = from + 1;; ++lineNumber) {
    const size_t index = IndexOf(lines, lineNumber);
    if (lines.Commented(index)) continue;
    const std::string_view command = lines.Command(index);
    bool nested = false;
    if (command == "If" || command == "Wizard Loop") {
      ++depth;
      nested = true;
    } else if (command == "End") {
      --depth;
      nested = depth >= 0;
    }
    if (!nested && depth <= 0 && IsStop(command, kind)) return lineNumber;
  }
}

int32_t ScanToNextEnd(const ScriptLines& lines, int32_t from) {
  for (int32_t lineNumber = from + 1;; ++lineNumber) {
    const size_t index = IndexOf(lines, lineNumber);
    if (!lines.CommentedOrIgnore(index) && lines.Command(index) == "End") return lineNumber;
  }
}

int32_t StepInWizardLoop(const ScriptLines& lines, int32_t from, int direction) {
  for (int32_t lineNumber = from + direction;; lineNumber += direction) {
    const size_t index = IndexOf(lines, lineNumber);
    if (lines.CommentedOrIgnore(index)) continue;
    const std::string_view command = lines.Command(index);
    if (command == "Display Dialog" || command == "Wizard Loop" || command == "End") return lineNumber;
  }
}

}  // namespace quarrix

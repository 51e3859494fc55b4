#pragma once
// The interpreter's state for one run of a script: program counter, flow flags, wizard loop.
#include <cstdint>
#include <string>

#include "common/NameTable.h"

namespace quarrix {

enum class SkipKind { None, ToElse, ToEnd };

struct RunState {
  int32_t lineNumber = 0;  // 1-based number of the current line; 0 before the first line
  std::string command;     // command name of the current line

  bool skipToElse = false;
  bool skipToEnd = false;
  bool endRefetched = false;
  SkipKind endRefetchedBy = SkipKind::None;  // the skip that reached the re-fetched "End"
  int32_t openBranches = 0;                  // never below 0
  // A skip to else stopped at "Else If": that line is evaluated without the flow checks.
  bool evaluateElseIfDirectly = false;

  bool wizardLoopActive = false;
  bool wizardLoopJustEnded = false;
  int wizardDirection = 0;  // -1, 0 or +1
  // Set by "Display Dialog" when its dialog closes: 6 NEXT, 7 BACK, 2 CANCEL; 0 while none closed.
  int lastDialogResult = 0;
  // The dialog shown without waiting (a progress page); 0 while none is.
  uint64_t progressWindowHandle = 0;

  bool silentMode = false;
  std::string lastProgressText;
  int32_t lastProgressPosition = 0;

  NameTable<int32_t> labels;  // label name (any letter case) -> 0-based line index

  bool ended = false;  // a terminating command ended the script
};

}  // namespace quarrix

#pragma once
// The forward scans of the interpreter: skipping a block's branches and moving inside a wizard
// loop. Line numbers are 1-based as in the run state; each scan returns the line it stopped at.
// A scan that runs past the last line throws std::out_of_range (a runtime error of the script).
#include <cstdint>

#include "engine/RunState.h"
#include "engine/ScriptLines.h"

namespace quarrix {

// From the line after `from`, to the line that ends the current branch: "Else", "Else If" or
// "End" of the same block when skipping to else, only its "End" when skipping to end. Nested
// blocks and commented-out lines are passed over.
int32_t ScanToBranchEnd(const ScriptLines& lines, int32_t from, SkipKind kind);

// From the line after `from`, the first "End" that is neither commented out nor "Ignore".
int32_t ScanToNextEnd(const ScriptLines& lines, int32_t from);

// Steps from `from` by direction (+1 or -1) to the next line that is neither commented out
// nor "Ignore" and is "Display Dialog", "Wizard Loop" or "End".
int32_t StepInWizardLoop(const ScriptLines& lines, int32_t from, int direction);

}  // namespace quarrix

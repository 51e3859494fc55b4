#pragma once
// The main loop of a run: per-line refresh, flow control, skipping, the wizard loop, jumps and
// dispatch of every other command to its handler in the catalogue.
#include "engine/RunState.h"
#include "engine/ScriptLines.h"
#include "engine/ScriptRun.h"

namespace quarrix {

struct Session;
class PerLineRefresh;

enum class RunEnd {
  Finished,  // the last line passed or a terminating command ran
  Stopped,   // the step callback returned false
  Failed,    // a runtime error was reported
};

// Runs from run.lineNumber until the script ends. The lines must be the session payload's
// lists, which the handlers read through their CommandContext. Stopped and Failed runs have
// already been cleaned up (RunCleanup); a finished run has not.
RunEnd RunMainLoop(Session& session, RunState& run, const ScriptLines& lines, PerLineRefresh& refresh,
                   const StepCallback& stepCallback);

// Builds the label table from every "Label" line, commented ones included.
void BuildLabelTable(Session& session, RunState& run, const ScriptLines& lines);

// The exit-script cleanup, also after an early stop.
void RunCleanup(Session& session, RunState& run);

}  // namespace quarrix

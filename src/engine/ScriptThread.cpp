#include "engine/ScriptThread.h"

#include <utility>

namespace quarrix {

TScriptThread::TScriptThread(WorkerKey key, Session& session, ScriptThreadInputs inputs, PluginEntry entry)
    : Worker(key, session), inputs_(std::move(inputs)), entry_(std::move(entry)), result_(inputs_.variablesText) {}

void TScriptThread::Execute() {
  PluginProgress progress = [this](int32_t percent, const std::string& text) {
    ReportProgress(text, 1, 100, percent);
    return !TerminateRequested();
  };
  platform::PluginCallResult returned;
  try {
    returned = entry_(inputs_, progress);
  } catch (...) {
    returned.outcome = platform::PluginOutcome::Raised;
  }
  PublishResult([&] {
    outcome_ = returned.outcome;
    // A copy that raised leaves the variables as they are: the record of an earlier call is
    // no answer of this one.
    if (returned.outcome == platform::PluginOutcome::Returned) result_ = std::move(returned.output);
  });
}

}  // namespace quarrix

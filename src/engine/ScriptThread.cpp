#include "engine/ScriptThread.h"

#include <utility>

namespace quarrix {

TScriptThread::TScriptThread(WorkerKey key, Session& session, ScriptThreadInputs inputs, PluginEntry entry)
    : Worker(key, session), inputs_(std::move(inputs)), entry_(std::move(entry)), result_(inputs_.variablesText) {}

void TScriptThread::Execute() {
  // File-system redirection is switched off here in 64-bit mode once the platform mode exists.
  PluginProgress progress = [this](int32_t percent, const std::string& text) {
    ReportProgress(text, 1, 100, percent);
    return !TerminateRequested();
  };
  std::optional<std::string> returned = entry_(inputs_, progress);
  if (returned) PublishResult([&] { result_ = std::move(*returned); });
}

}  // namespace quarrix

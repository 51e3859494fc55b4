#include "engine/ScriptThread.h"

#include <utility>

namespace quarrix {

TScriptThread::TScriptThread(Session& session, ScriptThreadInputs inputs, PluginEntry entry)
    : Worker(session), inputs_(std::move(inputs)), entry_(std::move(entry)), result_(inputs_.variablesText) {}

TScriptThread::~TScriptThread() { StopAndJoin(); }

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

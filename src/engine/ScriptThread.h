#pragma once
// The worker of a plug-in call: runs the plug-in library's entry point with the variables as
// comma text and hands back the comma text it returns.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/Worker.h"
#include "platform/PluginLibraries.h"

namespace quarrix {

using ScriptThreadInputs = platform::PluginCall;
using PluginProgress = platform::PluginProgressCallback;
// The call into the library, as the platform carries it out.
using PluginEntry = std::function<platform::PluginCallResult(const ScriptThreadInputs&, const PluginProgress&)>;

// Made as WorkerOf<TScriptThread>.
class TScriptThread final : public Worker {
 public:
  TScriptThread(WorkerKey key, Session& session, ScriptThreadInputs inputs, PluginEntry entry);

  // Read after Finished(): what the plug-in returned, or the variables as passed in whenever it
  // returned nothing usable (not loaded, no entry point, -1, raised, its output lost, or the
  // worker ended by force), so that importing it changes nothing.
  const std::string& Result() const { return result_; }
  // What the call came to; NotLoaded until it has returned.
  platform::PluginOutcome Outcome() const { return outcome_; }

 protected:
  void Execute() override;

 private:
  ScriptThreadInputs inputs_;
  PluginEntry entry_;
  std::string result_;
  platform::PluginOutcome outcome_ = platform::PluginOutcome::NotLoaded;
};

}  // namespace quarrix

#pragma once
// The worker of a plug-in call: runs the plug-in library's entry point once with the variables
// as comma text and hands back the comma text it returns.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/Worker.h"

namespace quarrix {

struct ScriptThreadInputs {
  std::string libraryPath;
  std::string variablesText;  // ExportVariables of the store
  std::string parameterText;  // the line's parameter text
  uintptr_t parentWindow = 0;
  uintptr_t handleData = 0;   // the plug-in's own handle data
};

// Given to the plug-in: a percentage and a text; false asks the plug-in to stop.
using PluginProgress = std::function<bool(int32_t percent, const std::string& text)>;
// The call into the library; nothing when the library reports failure.
using PluginEntry = std::function<std::optional<std::string>(const ScriptThreadInputs&, const PluginProgress&)>;

// Made as WorkerOf<TScriptThread>.
class TScriptThread final : public Worker {
 public:
  TScriptThread(WorkerKey key, Session& session, ScriptThreadInputs inputs, PluginEntry entry);

  // Read after Finished(): what the plug-in returned, or the variables as passed in when the
  // call failed, threw or the worker was ended by force, so that importing it changes nothing.
  const std::string& Result() const { return result_; }

 protected:
  void Execute() override;

 private:
  ScriptThreadInputs inputs_;
  PluginEntry entry_;
  std::string result_;
};

}  // namespace quarrix

#pragma once
// Plug-in libraries: a DLL that exports "RunTimeExecute", loaded for one call and freed after it.
// The backend carries out the library's two-call protocol (ask for the output's length, then
// hand over a buffer of that size) and tells what happened; what the engine makes of each
// outcome is portable logic.
#include <cstdint>
#include <functional>
#include <string>

namespace quarrix::platform {

struct PluginCall {
  std::string libraryPath;
  uint64_t ownerWindow = 0;   // the shown dialog's window, 0 when none
  std::string variablesText;  // every variable as comma text
  std::string pluginData;     // the line's plug-in data, as stored
};

// Called by the plug-in with a percentage and a text; false asks it to stop.
using PluginProgressCallback = std::function<bool(int32_t percent, const std::string& text)>;

enum class PluginOutcome {
  NotLoaded,      // the library could not be loaded
  NoEntryPoint,   // it exports no "RunTimeExecute"
  Failed,         // the first call returned -1
  Raised,         // the first call raised an exception
  OutputLost,     // the work was done, but the call that copies the output raised
  Returned,       // output holds the plug-in's text (possibly empty)
};

struct PluginCallResult {
  PluginOutcome outcome = PluginOutcome::NotLoaded;
  std::string output;
};

// A short word for each outcome, for traces and the simulated machine's tables.
inline const char* PluginOutcomeName(PluginOutcome outcome) {
  switch (outcome) {
    case PluginOutcome::NotLoaded: return "not-loadable";
    case PluginOutcome::NoEntryPoint: return "no-entry-point";
    case PluginOutcome::Failed: return "fails";
    case PluginOutcome::Raised: return "raises";
    case PluginOutcome::OutputLost: return "raises-on-copy";
    case PluginOutcome::Returned: return "returns";
  }
  return "";
}

class PluginLibraries {
 public:
  virtual ~PluginLibraries() = default;

  // Runs on the calling (worker) thread and never throws: whatever the plug-in raises is caught
  // and reported as its outcome. The progress callback is called on that thread too.
  virtual PluginCallResult CallRunTimeExecute(const PluginCall& call, const PluginProgressCallback& progress) = 0;
};

}  // namespace quarrix::platform

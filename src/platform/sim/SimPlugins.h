#pragma once
// The simulated machine's plug-in libraries. A library is a file on the simulated drives that
// the plug-in table describes: what its entry point does when it is called. A file the table
// does not describe is no library at all, as an arbitrary file is to LoadLibrary.
#include <mutex>
#include <string>
#include <vector>

#include "platform/PluginLibraries.h"

namespace quarrix::platform::sim {

class SimFileSystem;

struct SimPlugin {
  // A full Windows path, or a file name that matches the library in any folder; compared
  // without regard to case, a full path before a file name.
  std::string library;
  PluginOutcome outcome = PluginOutcome::Returned;
  bool emptyOutput = false;  // with Returned: an output of length 0
  // With Returned: the variables handed in, changed by these in order: "NAME=value" sets a
  // variable (added at the end when new), "-NAME" removes it. "$DATA$" in a value stands for
  // the line's plug-in data.
  std::vector<std::string> changes;
};

struct SimPluginCall {
  std::string libraryPath;
  std::string pluginData;
  PluginOutcome outcome = PluginOutcome::NotLoaded;
};

class SimPlugins : public PluginLibraries {
 public:
  explicit SimPlugins(SimFileSystem& files) : files_(files) {}

  std::vector<SimPlugin> plugins;

  PluginCallResult CallRunTimeExecute(const PluginCall& call, const PluginProgressCallback& progress) override;

  // Every call so far, in order.
  std::vector<SimPluginCall> Calls() const;

 private:
  const SimPlugin* Describe(const std::string& libraryPath) const;

  SimFileSystem& files_;
  mutable std::mutex callsLock_;  // calls come from worker threads
  std::vector<SimPluginCall> calls_;
};

// The variables text of a call with the changes applied, as a plug-in would hand it back.
std::string ApplyPluginChanges(const std::string& variablesText, const std::vector<std::string>& changes,
                               const std::string& pluginData);

}  // namespace quarrix::platform::sim

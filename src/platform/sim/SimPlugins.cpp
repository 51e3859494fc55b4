#include "platform/sim/SimPlugins.h"

#include "common/AnsiText.h"
#include "common/CommaText.h"
#include "platform/sim/SimFileSystem.h"

namespace quarrix::platform::sim {
namespace {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReplaceData(std::string value, const std::string& data) {
  const std::string marker = "$DATA$";
  for (size_t at = value.find(marker); at != std::string::npos; at = value.find(marker, at + data.size()))
    value.replace(at, marker.size(), data);
  return value;
}

}  // namespace

std::string ApplyPluginChanges(const std::string& variablesText, const std::vector<std::string>& changes,
                               const std::string& pluginData) {
  StringList items = FromCommaText(variablesText);
  if (items.size() % 2 != 0) items.pop_back();
  auto find = [&items](const std::string& name) {
    for (size_t i = 0; i < items.size(); i += 2)
      if (EqualsIgnoreCase(items[i], name)) return i;
    return items.size();
  };
  for (const std::string& change : changes) {
    if (!change.empty() && change[0] == '-') {
      const size_t at = find(change.substr(1));
      if (at < items.size()) items.erase(items.begin() + static_cast<std::ptrdiff_t>(at), items.begin() + static_cast<std::ptrdiff_t>(at + 2));
      continue;
    }
    const size_t equals = change.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    const std::string name = change.substr(0, equals);
    const std::string value = ReplaceData(change.substr(equals + 1), pluginData);
    const size_t at = find(name);
    if (at < items.size()) {
      items[at + 1] = value;
    } else {
      items.push_back(name);
      items.push_back(value);
    }
  }
  return ToCommaText(items);
}

const SimPlugin* SimPlugins::Describe(const std::string& libraryPath) const {
  for (const SimPlugin& plugin : plugins)
    if (EqualsIgnoreCase(plugin.library, libraryPath)) return &plugin;
  const std::string fileName = FileNameOf(libraryPath);
  for (const SimPlugin& plugin : plugins)
    if (plugin.library.find('\\') == std::string::npos && EqualsIgnoreCase(plugin.library, fileName)) return &plugin;
  return nullptr;
}

PluginCallResult SimPlugins::CallRunTimeExecute(const PluginCall& call, const PluginProgressCallback& progress) {
  PluginCallResult result;
  const SimPlugin* plugin = files_.FileExists(call.libraryPath) ? Describe(call.libraryPath) : nullptr;
  if (plugin != nullptr) result.outcome = plugin->outcome;
  if (result.outcome == PluginOutcome::Returned || result.outcome == PluginOutcome::OutputLost) {
    // A plug-in asked to stop gives up before it changes anything.
    if (progress && !progress(100, FileNameOf(call.libraryPath))) {
      result.outcome = PluginOutcome::Failed;
    } else if (result.outcome == PluginOutcome::Returned && !plugin->emptyOutput) {
      result.output = ApplyPluginChanges(call.variablesText, plugin->changes, call.pluginData);
    }
  }
  std::lock_guard guard(callsLock_);
  calls_.push_back({call.libraryPath, call.pluginData, result.outcome});
  return result;
}

std::vector<SimPluginCall> SimPlugins::Calls() const {
  std::lock_guard guard(callsLock_);
  return calls_;
}

}  // namespace quarrix::platform::sim

#include "engine/PackageEdits.h"

#include "engine/VariableManager.h"
#include "engine/Run.h"

namespace quarrix {

void QueueInstallerProperty(Run& run, std::string_view name, std::string_view value) {
  std::optional<InstallerPropertyQueue>& queue = run.packageEdits.pendingProperties;
  if (!queue) queue.emplace();
  queue->names.emplace_back(name);
  queue->values.push_back(CrLfToNewline(value));
}

std::optional<std::string> QueuedInstallerProperty(const Run& run, std::string_view name) {
  const std::optional<InstallerPropertyQueue>& queue = run.packageEdits.pendingProperties;
  if (!queue) return std::nullopt;
  // Installer property names are case-sensitive.
  for (size_t i = queue->names.size(); i-- > 0;)
    if (queue->names[i] == name) return queue->values[i];
  return std::nullopt;
}

void RecordInstanceAction(Run& run, std::string_view name, std::string_view value) {
  run.actionList.push_back(CrLfToNewline(name));
  run.actionList.push_back(CrLfToNewline(value));
}

void QueueAndRecordInstallerProperty(Run& run, std::string_view name, std::string_view value) {
  QueueInstallerProperty(run, name, value);
  RecordInstanceAction(run, name, value);
}

}  // namespace quarrix

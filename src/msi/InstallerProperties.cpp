#include "msi/InstallerProperties.h"

#include "engine/VariableManager.h"
#include "startup/Session.h"

namespace quarrix {

void QueueInstallerProperty(Session& session, std::string_view name, std::string_view value) {
  std::optional<InstallerPropertyQueue>& queue = session.packageEdits.pendingProperties;
  if (!queue) queue.emplace();
  queue->names.emplace_back(name);
  queue->values.push_back(CrLfToNewline(value));
}

std::optional<std::string> QueuedInstallerProperty(const Session& session, std::string_view name) {
  const std::optional<InstallerPropertyQueue>& queue = session.packageEdits.pendingProperties;
  if (!queue) return std::nullopt;
  // Installer property names are case-sensitive.
  for (size_t i = queue->names.size(); i-- > 0;)
    if (queue->names[i] == name) return queue->values[i];
  return std::nullopt;
}

void RecordInstanceAction(Session& session, std::string_view name, std::string_view value) {
  session.actionList.push_back(CrLfToNewline(name));
  session.actionList.push_back(CrLfToNewline(value));
}

void QueueAndRecordInstallerProperty(Session& session, std::string_view name, std::string_view value) {
  QueueInstallerProperty(session, name, value);
  RecordInstanceAction(session, name, value);
}

}  // namespace quarrix

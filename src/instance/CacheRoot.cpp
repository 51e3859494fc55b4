#include "instance/CacheRoot.h"

#include <optional>

#include "common/WindowsPath.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryView;
using platform::SpecialFolder;

std::optional<std::string> ReadText(platform::Registry& registry, RegistryRoot root, const std::string& key,
                                    const std::string& name) {
  auto value = registry.ReadValue(root, key, name, RegistryView::Default);
  if (!value || (value->type != RegistryType::String && value->type != RegistryType::ExpandString))
    return std::nullopt;
  std::string text = value->data;
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// The parent of the recorded instance folder, but only when that folder is this revision's.
std::string RootOfRecordedInstance(Session& session) {
  const std::string recorded = RecordedInstanceFolder(session);
  const std::string trimmed = WithoutTrailingBackslashes(recorded);
  if (recorded.empty() || FileNameAfterBackslash(trimmed) != session.payload.revisionCode) return {};
  return FolderUpToBackslash(trimmed);
}

std::string ApplicationDataRoot(Session& session, bool perMachine) {
  platform::SystemInfo& system = session.platform.system;
  if (!system.Version().ntFamily) {
    auto common = ReadText(session.platform.registry, RegistryRoot::LocalMachine,
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir");
    return WithTrailingBackslashUnlessEmpty(common.value_or(""));
  }
  std::optional<std::string> folder;
  if (perMachine) {
    folder = system.FolderPath(SpecialFolder::CommonAppData);
  } else {
    folder = system.FolderPath(SpecialFolder::LocalAppData);
    if (!folder) folder = system.FolderPath(SpecialFolder::RoamingAppData);
  }
  if (folder && !folder->empty()) return WithTrailingBackslashUnlessEmpty(*folder);
  auto desktop = system.FolderPath(SpecialFolder::Desktop);
  return FolderUpToBackslash(WithoutTrailingBackslashes(desktop.value_or(""))) + "Application Data\\";
}

}  // namespace

std::string RecordedInstanceFolder(Session& session) {
  platform::Registry& registry = session.platform.registry;
  const std::string key = std::string(kIdentCacheKey) + session.payload.productCode;
  const RegistryRoot root = registry.KeyExists(RegistryRoot::LocalMachine, key, RegistryView::Default)
                                ? RegistryRoot::LocalMachine
                                : RegistryRoot::CurrentUser;
  return ReadText(registry, root, key, "").value_or("");
}

std::string GetCacheRoot(Session& session, bool perMachine) {
  const std::string overrideCache = session.variables.GetVariable("OVERRIDECACHE");
  if (!overrideCache.empty()) return WithTrailingBackslashUnlessEmpty(overrideCache);
  std::string recordedRoot = RootOfRecordedInstance(session);
  if (!recordedRoot.empty()) return recordedRoot;
  return ApplicationDataRoot(session, perMachine);
}

namespace {

// A patch whose target is not known (yet) must not take the cache root itself for its folder:
// hiding and compressing that would touch every instance on the machine.
std::string InstanceFolderName(Session& session) {
  const bool patchWithTarget = session.payload.buildMode == 3 && !session.instance.patchTarget.empty();
  return patchWithTarget ? session.instance.patchTarget : session.payload.revisionCode;
}

}  // namespace

bool HasNoUserData(Session& session, const std::string& packagePath) {
  const std::string packageName = FileNameWithoutExtension(FileNameAfterBackslashOrColon(packagePath));
  const std::string dataFile = GetCacheRoot(session, false) + InstanceFolderName(session) + "\\" + packageName + ".dat";
  return !session.platform.files.FileExists(dataFile);
}

std::string InstanceFolder(Session& session, const std::string& packagePath) {
  return GetCacheRoot(session, HasNoUserData(session, packagePath)) + InstanceFolderName(session) + "\\";
}

}  // namespace quarrix

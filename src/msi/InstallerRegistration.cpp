#include "msi/InstallerRegistration.h"

#include <algorithm>
#include <cstdint>

#include "common/AnsiText.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryValue;
using platform::RegistryView;

constexpr const char* kTempPackagesKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\TempPackages";

StringList SplitGroups(const std::string& guid) {
  StringList groups;
  std::string current;
  for (char c : guid) {
    if (c == '{' || c == '}') continue;
    if (c == '-') {
      groups.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  groups.push_back(current);
  return groups;
}

bool IsDecimal(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string TextOf(const std::optional<RegistryValue>& value) {
  if (!value || (value->type != RegistryType::String && value->type != RegistryType::ExpandString)) return {};
  return value->data;
}

}  // namespace

std::string PackGuid(const std::string& guid) {
  StringList groups = SplitGroups(guid);
  std::string packed;
  for (size_t i = 0; i < groups.size(); ++i) {
    std::string group = groups[i];
    if (i < 3) {
      std::reverse(group.begin(), group.end());
    } else {
      for (size_t k = 0; k + 1 < group.size(); k += 2) std::swap(group[k], group[k + 1]);
    }
    packed += group;
  }
  return packed;
}

void ClearTempPackages(platform::Registry& registry, const std::string& productCode) {
  auto names = registry.ListValueNames(RegistryRoot::LocalMachine, kTempPackagesKey, RegistryView::Default);
  if (!names) return;
  const std::string code = ToUpperAscii(productCode);
  for (auto it = names->rbegin(); it != names->rend(); ++it)
    if (it->find(code) != std::string::npos)
      registry.DeleteValue(RegistryRoot::LocalMachine, kTempPackagesKey, *it, RegistryView::Default);
}

void RedirectSourceList(platform::Registry& registry, bool ntPlatform, const std::string& productCode,
                        const std::string& packageFolder, const std::string& dataFolder,
                        const std::string& mediaPath) {
  const RegistryType type = ntPlatform ? RegistryType::ExpandString : RegistryType::String;
  auto write = [&](RegistryRoot root, const std::string& key, const std::string& name, const std::string& text) {
    registry.WriteValue(root, key, name, RegistryValue{type, text}, RegistryView::Default);
  };
  const std::pair<RegistryRoot, const char*> kRuns[] = {
      {RegistryRoot::CurrentUser, "SOFTWARE\\Microsoft\\Installer\\Products\\"},
      {RegistryRoot::ClassesRoot, "Installer\\Products\\"},
  };
  for (const auto& [root, prefix] : kRuns) {
    const std::string product = prefix + PackGuid(productCode);

    const std::string sourceList = product + "\\SourceList\\";
    if (registry.KeyExists(root, sourceList, RegistryView::Default)) {
      const std::string last =
          TextOf(registry.ReadValue(root, sourceList, "LastUsedSource", RegistryView::Default));
      const size_t semicolon = last.rfind(';');
      write(root, sourceList, "LastUsedSource",
            (semicolon == std::string::npos ? std::string() : last.substr(0, semicolon + 1)) + packageFolder);
    }

    const std::string media = product + "\\SourceList\\Media\\";
    if (registry.KeyExists(root, media, RegistryView::Default) &&
        registry.ReadValue(root, media, "MediaPackage", RegistryView::Default))
      write(root, media, "MediaPackage", mediaPath);

    const std::string net = product + "\\SourceList\\Net\\";
    if (auto names = registry.ListValueNames(root, net, RegistryView::Default)) {
      uint64_t largest = 0;
      for (const std::string& name : *names)
        if (IsDecimal(name) && name.size() < 19) largest = std::max<uint64_t>(largest, std::stoull(name));
      write(root, net, std::to_string(largest + 1), packageFolder);
      write(root, net, std::to_string(largest + 2), dataFolder);
    }
  }
}

}  // namespace quarrix

#include "platform/sim/SimRegistry.h"

#include "common/AnsiText.h"

namespace quarrix::platform::sim {
namespace {

const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegistryRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case RegistryRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::Users: return "HKEY_USERS";
    case RegistryRoot::CurrentConfig: return "HKEY_CURRENT_CONFIG";
  }
  return "";
}

std::string TrimSeparators(const std::string& key) {
  size_t begin = key.find_first_not_of('\\');
  size_t end = key.find_last_not_of('\\');
  return begin == std::string::npos ? std::string() : key.substr(begin, end - begin + 1);
}

}  // namespace

std::string SimRegistry::KeyId(RegistryRoot root, const std::string& key, RegistryView view) const {
  bool wow32 = view == RegistryView::Force32 || (view == RegistryView::Default && processIs32Bit_);
  // Only machine-wide software keys are redirected; everything else is shared by both views.
  std::string path = TrimSeparators(key);
  bool redirected = root == RegistryRoot::LocalMachine && StartsWith(ToUpperAscii(path), "SOFTWARE");
  std::string prefix = std::string(redirected && wow32 ? "32:" : "") + RootName(root);
  return ToUpperAscii(prefix + "\\" + path);
}

bool SimRegistry::CreateKey(RegistryRoot root, const std::string& key, RegistryView view) {
  std::lock_guard guard(lock_);
  std::string path = TrimSeparators(key);
  // Create every parent too, as RegCreateKeyEx does.
  for (size_t pos = 0;; ++pos) {
    pos = path.find('\\', pos);
    std::string part = pos == std::string::npos ? path : path.substr(0, pos);
    auto [it, inserted] = keys_.try_emplace(KeyId(root, part, view));
    if (inserted) it->second.spelling = part;
    if (pos == std::string::npos) break;
  }
  return true;
}

bool SimRegistry::KeyExists(RegistryRoot root, const std::string& key, RegistryView view) {
  std::lock_guard guard(lock_);
  return keys_.count(KeyId(root, key, view)) != 0 || TrimSeparators(key).empty();
}

std::optional<RegistryValue> SimRegistry::ReadValue(RegistryRoot root, const std::string& key,
                                                    const std::string& name, RegistryView view) {
  std::lock_guard guard(lock_);
  auto k = keys_.find(KeyId(root, key, view));
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.values.find(ToUpperAscii(name));
  if (v == k->second.values.end()) return std::nullopt;
  return v->second.second;
}

bool SimRegistry::WriteValue(RegistryRoot root, const std::string& key, const std::string& name,
                             const RegistryValue& value, RegistryView view) {
  CreateKey(root, key, view);
  std::lock_guard guard(lock_);
  auto& values = keys_[KeyId(root, key, view)].values;
  auto [it, inserted] = values.try_emplace(ToUpperAscii(name), name, value);
  if (!inserted) it->second.second = value;
  return true;
}

bool SimRegistry::DeleteValue(RegistryRoot root, const std::string& key, const std::string& name,
                              RegistryView view) {
  std::lock_guard guard(lock_);
  auto found = keys_.find(KeyId(root, key, view));
  return found != keys_.end() && found->second.values.erase(ToUpperAscii(name)) > 0;
}

bool SimRegistry::DeleteKey(RegistryRoot root, const std::string& key, RegistryView view) {
  std::lock_guard guard(lock_);
  if (TrimSeparators(key).empty()) return false;
  const std::string id = KeyId(root, key, view);
  auto found = keys_.find(id);
  if (found == keys_.end()) return false;
  auto child = keys_.lower_bound(id + "\\");
  if (child != keys_.end() && StartsWith(child->first, id + "\\")) return false;  // has sub-keys
  keys_.erase(found);
  return true;
}

std::optional<std::vector<std::string>> SimRegistry::ListValueNames(RegistryRoot root, const std::string& key,
                                                                    RegistryView view) {
  std::lock_guard guard(lock_);
  auto found = keys_.find(KeyId(root, key, view));
  if (found == keys_.end()) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& [folded, value] : found->second.values) names.push_back(value.first);
  return names;
}

std::optional<std::vector<std::string>> SimRegistry::ListSubKeyNames(RegistryRoot root, const std::string& key,
                                                                     RegistryView view) {
  std::lock_guard guard(lock_);
  const bool isRoot = TrimSeparators(key).empty();
  const std::string id = KeyId(root, key, view);
  if (!isRoot && keys_.count(id) == 0) return std::nullopt;
  const std::string prefix = isRoot ? id : id + "\\";
  std::vector<std::string> names;
  for (auto child = keys_.lower_bound(prefix); child != keys_.end() && StartsWith(child->first, prefix); ++child) {
    if (child->first.find('\\', prefix.size()) != std::string::npos) continue;  // a grandchild
    const std::string& spelling = child->second.spelling;
    names.push_back(spelling.substr(spelling.find_last_of('\\') + 1));
  }
  return names;
}

std::vector<SimRegistry::KeyRecord> SimRegistry::Keys() {
  constexpr RegistryRoot kRoots[] = {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser, RegistryRoot::LocalMachine,
                                     RegistryRoot::Users, RegistryRoot::CurrentConfig};
  std::lock_guard guard(lock_);
  std::vector<KeyRecord> records;
  for (const auto& [id, key] : keys_) {
    KeyRecord record;
    std::string_view rest = id;
    record.wow32View = StartsWith(rest, "32:");
    if (record.wow32View) rest.remove_prefix(3);
    for (RegistryRoot root : kRoots)
      if (StartsWith(rest, RootName(root))) record.root = root;
    record.path = key.spelling;
    for (const auto& [folded, value] : key.values) record.values.push_back(value);
    records.push_back(std::move(record));
  }
  return records;
}

void SimRegistry::Restore(const KeyRecord& key) {
  const RegistryView view = key.wow32View ? RegistryView::Force32 : RegistryView::Force64;
  CreateKey(key.root, key.path, view);
  for (const auto& [name, value] : key.values) WriteValue(key.root, key.path, name, value, view);
}

void SimRegistry::Clear() {
  std::lock_guard guard(lock_);
  keys_.clear();
}

}  // namespace quarrix::platform::sim

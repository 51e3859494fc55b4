#include "platform/win32/Win32Registry.h"

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CURRENT_USER;
}

REGSAM ViewFlag(RegistryView view) {
  switch (view) {
    case RegistryView::Default: return 0;
    case RegistryView::Force32: return KEY_WOW64_32KEY;
    case RegistryView::Force64: return KEY_WOW64_64KEY;
  }
  return 0;
}

class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool Create(KeyHandle& handle, RegistryRoot root, const std::string& key, REGSAM access, RegistryView view) {
  return RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access | ViewFlag(view),
                         nullptr, handle.Receive(), nullptr) == ERROR_SUCCESS;
}

bool Open(KeyHandle& handle, RegistryRoot root, const std::string& key, REGSAM access, RegistryView view) {
  return RegOpenKeyExA(RootKey(root), key.c_str(), 0, access | ViewFlag(view), handle.Receive()) == ERROR_SUCCESS;
}

bool IsText(RegistryType type) {
  return type == RegistryType::String || type == RegistryType::ExpandString || type == RegistryType::MultiString;
}

void StripTerminators(RegistryValue& value) {
  size_t terminators = value.type == RegistryType::MultiString ? 2 : 1;
  while (terminators-- > 0 && !value.data.empty() && value.data.back() == '\0') value.data.pop_back();
}

}  // namespace

bool Win32Registry::CreateKey(RegistryRoot root, const std::string& key, RegistryView view) {
  KeyHandle handle;
  return Create(handle, root, key, KEY_READ, view);
}

bool Win32Registry::KeyExists(RegistryRoot root, const std::string& key, RegistryView view) {
  KeyHandle handle;
  return Open(handle, root, key, KEY_READ, view);
}

std::optional<RegistryValue> Win32Registry::ReadValue(RegistryRoot root, const std::string& key,
                                                      const std::string& name, RegistryView view) {
  KeyHandle handle;
  if (!Open(handle, root, key, KEY_QUERY_VALUE, view)) return std::nullopt;
  // The value may grow between the size query and the read; ask again until it fits.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    RegistryValue value;
    value.type = static_cast<RegistryType>(type);
    value.data.resize(size);
    LONG status = RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(value.data.data()), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.type = static_cast<RegistryType>(type);
    value.data.resize(size);
    if (IsText(value.type)) StripTerminators(value);
    return value;
  }
  return std::nullopt;
}

bool Win32Registry::WriteValue(RegistryRoot root, const std::string& key, const std::string& name,
                               const RegistryValue& value, RegistryView view) {
  KeyHandle handle;
  if (!Create(handle, root, key, KEY_SET_VALUE, view)) return false;
  std::string data = value.data;
  if (IsText(value.type)) data.append(value.type == RegistryType::MultiString ? 2 : 1, '\0');
  return RegSetValueExA(handle.Get(), name.c_str(), 0, static_cast<DWORD>(value.type),
                        reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

bool Win32Registry::DeleteValue(RegistryRoot root, const std::string& key, const std::string& name,
                                RegistryView view) {
  KeyHandle handle;
  if (!Open(handle, root, key, KEY_SET_VALUE, view)) return false;
  return RegDeleteValueA(handle.Get(), name.c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteKey(RegistryRoot root, const std::string& key, RegistryView view) {
  // RegDeleteKeyEx exists from XP x64 on: looked up at run time so that the engine still loads on
  // older systems, where the native view is the only one.
  using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  static const auto deleteKeyEx = LookUpProcedure<DeleteKeyEx>(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA");
  if (view == RegistryView::Default || deleteKeyEx == nullptr)
    return RegDeleteKeyA(RootKey(root), key.c_str()) == ERROR_SUCCESS;
  return deleteKeyEx(RootKey(root), key.c_str(), ViewFlag(view), 0) == ERROR_SUCCESS;
}

std::optional<std::vector<std::string>> Win32Registry::ListValueNames(RegistryRoot root, const std::string& key,
                                                                      RegistryView view) {
  KeyHandle handle;
  if (!Open(handle, root, key, KEY_QUERY_VALUE, view)) return std::nullopt;
  DWORD longest = 0;
  if (RegQueryInfoKeyA(handle.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<std::string> names;
  std::string buffer(longest + 1, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG status = RegEnumValueA(handle.Get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // a value added since the size query
      buffer.resize(buffer.size() * 2 + 256);
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

std::optional<std::vector<std::string>> Win32Registry::ListSubKeyNames(RegistryRoot root, const std::string& key,
                                                                       RegistryView view) {
  KeyHandle handle;
  if (!Open(handle, root, key, KEY_READ, view)) return std::nullopt;
  std::vector<std::string> names;
  std::string buffer(256, '\0');  // a key name has at most 255 characters
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumKeyExA(handle.Get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

RegistryRead Win32Registry::QueryValue(RegistryRoot root, const std::string& key, const std::string& name,
                                       RegistryView view) {
  KeyHandle handle;
  if (!Open(handle, root, key, KEY_READ, view)) return {RegistryReadStatus::NoKey, {}};
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG status = RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return {RegistryReadStatus::NoValue, {}};
    if (status != ERROR_SUCCESS) return {RegistryReadStatus::Failed, {}};
    RegistryValue value;
    value.data.resize(size);
    status = RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data.data()),
                              &size);
    if (status == ERROR_MORE_DATA) continue;  // grew since the size query
    if (status == ERROR_FILE_NOT_FOUND) return {RegistryReadStatus::NoValue, {}};
    if (status != ERROR_SUCCESS) return {RegistryReadStatus::Failed, {}};
    value.type = static_cast<RegistryType>(type);
    value.data.resize(size);
    if (IsText(value.type)) StripTerminators(value);
    return {RegistryReadStatus::Found, std::move(value)};
  }
  return {RegistryReadStatus::Failed, {}};
}

}  // namespace quarrix::platform::win32

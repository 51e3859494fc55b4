#pragma once
// The Windows registry with its 32- and 64-bit views. Failures are reported by the result.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quarrix::platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// Default: the view the process sees natively; the other two force a view
// (KEY_WOW64_32KEY / KEY_WOW64_64KEY).
enum class RegistryView { Default, Force32, Force64 };

enum class RegistryType : uint32_t {
  None = 0, String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7, Qword = 11
};

struct RegistryValue {
  RegistryType type = RegistryType::String;
  std::string data;  // strings as ANSI text without terminator; numbers little-endian bytes

  static RegistryValue Text(std::string text) { return {RegistryType::String, std::move(text)}; }
  static RegistryValue Number(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return {RegistryType::Dword, bytes};
  }
};

// How a value read went: the key could not be opened, the value is not in it, or the system
// refused the read (access denied, a value that changed while being read).
enum class RegistryReadStatus { Found, NoKey, NoValue, Failed };

struct RegistryRead {
  RegistryReadStatus status = RegistryReadStatus::NoKey;
  RegistryValue value;  // when Found
};

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens or creates the key with all its parents.
  virtual bool CreateKey(RegistryRoot root, const std::string& key, RegistryView view) = 0;
  virtual bool KeyExists(RegistryRoot root, const std::string& key, RegistryView view) = 0;
  virtual std::optional<RegistryValue> ReadValue(RegistryRoot root, const std::string& key,
                                                 const std::string& name, RegistryView view) = 0;
  // Creates the key when missing.
  virtual bool WriteValue(RegistryRoot root, const std::string& key, const std::string& name,
                          const RegistryValue& value, RegistryView view) = 0;
  // False when the key or the value does not exist or may not be changed.
  virtual bool DeleteValue(RegistryRoot root, const std::string& key, const std::string& name,
                           RegistryView view) = 0;
  // Deletes a key with its values; fails, as RegDeleteKey, when it does not exist or still has
  // sub-keys.
  virtual bool DeleteKey(RegistryRoot root, const std::string& key, RegistryView view) = 0;
  // The names of a key's values in the order the system enumerates them; nothing when the key
  // cannot be opened.
  virtual std::optional<std::vector<std::string>> ListValueNames(RegistryRoot root, const std::string& key,
                                                                 RegistryView view) = 0;
  // The names of a key's direct sub-keys in enumeration order; nothing when the key cannot be
  // opened.
  virtual std::optional<std::vector<std::string>> ListSubKeyNames(RegistryRoot root, const std::string& key,
                                                                  RegistryView view) = 0;
  // One value read with the reason it was not found; an empty name is the key's default value.
  virtual RegistryRead QueryValue(RegistryRoot root, const std::string& key, const std::string& name,
                                  RegistryView view) {
    if (!KeyExists(root, key, view)) return {RegistryReadStatus::NoKey, {}};
    std::optional<RegistryValue> value = ReadValue(root, key, name, view);
    if (!value) return {RegistryReadStatus::NoValue, {}};
    return {RegistryReadStatus::Found, std::move(*value)};
  }
};

}  // namespace quarrix::platform

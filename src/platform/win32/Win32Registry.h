#pragma once
// The registry through the ANSI Win32 registry API; the forced views map to
// KEY_WOW64_32KEY and KEY_WOW64_64KEY.
#include "platform/Registry.h"

namespace quarrix::platform::win32 {

class Win32Registry : public Registry {
 public:
  bool CreateKey(RegistryRoot root, const std::string& key, RegistryView view) override;
  bool KeyExists(RegistryRoot root, const std::string& key, RegistryView view) override;
  // Strings come back without their terminator; a multi-string keeps the zero bytes between
  // its entries but not the two at its end.
  std::optional<RegistryValue> ReadValue(RegistryRoot root, const std::string& key, const std::string& name,
                                         RegistryView view) override;
  bool WriteValue(RegistryRoot root, const std::string& key, const std::string& name, const RegistryValue& value,
                  RegistryView view) override;
  bool DeleteValue(RegistryRoot root, const std::string& key, const std::string& name, RegistryView view) override;
  bool DeleteKey(RegistryRoot root, const std::string& key, RegistryView view) override;
  std::optional<std::vector<std::string>> ListValueNames(RegistryRoot root, const std::string& key,
                                                         RegistryView view) override;
  std::optional<std::vector<std::string>> ListSubKeyNames(RegistryRoot root, const std::string& key,
                                                          RegistryView view) override;
  RegistryRead QueryValue(RegistryRoot root, const std::string& key, const std::string& name,
                          RegistryView view) override;
};

}  // namespace quarrix::platform::win32

#pragma once
// The simulated registry: in memory, with separate 32- and 64-bit views of the machine-wide
// software keys. Key and value names compare without regard to case.
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace quarrix::platform::sim {

class SimRegistry : public Registry {
 public:
  // processIs32Bit: a 32-bit engine on 64-bit Windows sees the 32-bit view by default.
  explicit SimRegistry(bool processIs32Bit = true) : processIs32Bit_(processIs32Bit) {}

  bool CreateKey(RegistryRoot root, const std::string& key, RegistryView view) override;
  bool KeyExists(RegistryRoot root, const std::string& key, RegistryView view) override;
  std::optional<RegistryValue> ReadValue(RegistryRoot root, const std::string& key, const std::string& name,
                                         RegistryView view) override;
  bool DeleteValue(RegistryRoot root, const std::string& key, const std::string& name, RegistryView view) override;
  bool DeleteKey(RegistryRoot root, const std::string& key, RegistryView view) override;
  std::optional<std::vector<std::string>> ListValueNames(RegistryRoot root, const std::string& key,
                                                         RegistryView view) override;
  std::optional<std::vector<std::string>> ListSubKeyNames(RegistryRoot root, const std::string& key,
                                                          RegistryView view) override;
  bool WriteValue(RegistryRoot root, const std::string& key, const std::string& name, const RegistryValue& value,
                  RegistryView view) override;

  // One key as the machine store saves it: wow32View marks the 32-bit view of the machine's
  // software keys; every other key is shared by both views.
  struct KeyRecord {
    RegistryRoot root = RegistryRoot::LocalMachine;
    bool wow32View = false;
    std::string path;  // as first spelled, without the root
    std::vector<std::pair<std::string, RegistryValue>> values;  // name as spelled, value
  };
  // Every key, in the order of its identity folded to upper case.
  std::vector<KeyRecord> Keys();
  // Recreates a saved key in its view.
  void Restore(const KeyRecord& key);
  void Clear();

 private:
  struct Key {
    std::string spelling;
    std::map<std::string, std::pair<std::string, RegistryValue>> values;  // folded name -> spelling, value
  };
  std::string KeyId(RegistryRoot root, const std::string& key, RegistryView view) const;

  bool processIs32Bit_;
  std::mutex lock_;
  std::map<std::string, Key> keys_;  // folded id -> key
};

}  // namespace quarrix::platform::sim

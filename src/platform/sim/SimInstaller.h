#pragma once
// The simulated Windows Installer. Package databases are the real .msi files on the simulated
// drives. An installer run records the call, plays a scripted stream of messages through the
// registered handler, answers with a scripted result and, on success, keeps the table of
// installed products that the product queries read.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "platform/Installer.h"
#include "platform/Registry.h"

namespace quarrix::platform::sim {

class SimFileSystem;

inline constexpr unsigned kInstallerUnknownProduct = 1605;     // ERROR_UNKNOWN_PRODUCT
inline constexpr int kInstallStateAdvertised = 1;

struct SimProduct {
  int state = kInstallStateDefault;
  std::map<std::string, std::string> properties;  // "PackageCode" -> "{...}"
};

// One call that changes the machine: "InstallProduct" (package, command line), "ApplyPatch"
// (patch, command line), "DoAction" (package, action, then name=value of every property set),
// "SourceListAddSource" (product code, user name, source).
struct SimInstallerCall {
  std::string operation;
  StringList arguments;
  bool operator==(const SimInstallerCall&) const = default;
};

// Not a message: the point in the stream at which the simulated user presses Cancel on the
// progress page ("usercancel" in the machine folder).
inline constexpr uint32_t kSimUserCancel = 0xFF000000;

struct SimInstallerMessage {
  uint32_t code = 0;
  std::string text;
  bool operator==(const SimInstallerMessage&) const = default;
};

class SimInstaller : public Installer {
 public:
  SimInstaller() = default;
  // Package and log paths are then Windows paths on these drives; without, host paths.
  explicit SimInstaller(const SimFileSystem& files) : files_(&files) {}
  // With the registry: a removal also deletes the product's entry in the list of installed
  // programs (Uninstall\{product code}), which the installer owns.
  SimInstaller(const SimFileSystem& files, Registry& registry) : files_(&files), registry_(&registry) {}

  // Product codes compare without regard to case, as the installer's GUIDs do.
  std::map<std::string, SimProduct> products;  // upper-cased product code -> product
  std::vector<SimInstallerCall> calls;           // in the order they were made
  std::vector<SimInstallerMessage> messages;     // played at every run
  unsigned result = kInstallerSuccess;           // what every run that is not cancelled returns
  // Runs still to be refused because another installation is in progress: each answers 1618
  // without playing anything.
  unsigned busyRuns = 0;
  // What the progress page does when the simulated user presses Cancel; nothing when unset.
  std::function<void()> onUserCancel;

  // What the engine set up for the runs.
  int internalUiLevel = 1;  // INSTALLUILEVEL_DEFAULT
  uint32_t externalUiFilter = 0;
  bool HasExternalUI() const { return static_cast<bool>(handler_); }
  std::string logFile;
  uint32_t logMode = 0;
  uint32_t logAttributes = 0;

  // Marks a product installed (state 5) with the given package code.
  void AddProduct(const std::string& productCode, const std::string& packageCode);
  const SimProduct* Find(const std::string& productCode) const;

  int QueryProductState(const std::string& productCode) override;
  std::optional<std::string> GetProductInfo(const std::string& productCode, const std::string& property) override;

  std::unique_ptr<InstallerDatabase> OpenDatabase(const std::string& path, DatabaseOpenMode mode) override;
  std::unique_ptr<InstallerRecord> CreateRecord(unsigned fieldCount) override;

  void SetExternalUI(InstallerUiHandler handler, uint32_t messageFilter) override;
  int SetInternalUI(int level) override;
  unsigned EnableLog(uint32_t logMode, const std::string& logFile, uint32_t attributes) override;

  unsigned InstallProduct(const std::string& packagePath, const std::string& commandLine) override;
  unsigned ApplyPatch(const std::string& patchPath, const std::string& commandLine) override;
  unsigned SourceListAddSource(const std::string& productCode, const std::string& userName,
                               const std::string& source) override;
  std::unique_ptr<InstallerPackage> OpenPackage(const std::string& packagePath) override;

  // The run behind every installing call: messages, result, and the product table on success.
  // properties are the public properties the run was given (name -> value).
  unsigned Run(const std::string& packagePath, const std::map<std::string, std::string>& properties,
               bool changesProducts);

 private:
  std::optional<std::string> HostPath(const std::string& path) const;

  const SimFileSystem* files_ = nullptr;
  Registry* registry_ = nullptr;
  InstallerUiHandler handler_;
};

// The public properties a command line sets: NAME=value or NAME="value with blanks".
std::map<std::string, std::string> CommandLineProperties(const std::string& commandLine);

}  // namespace quarrix::platform::sim

#pragma once
// What the engine asks of Windows Installer: product queries, package databases, installer runs
// with the engine's own message handler, the source list and the installer's log. The library
// is bound by name at first use. The product queries answer as a machine on which nothing is
// installed when it is missing; every other operation throws InstallerUnavailable then.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/InstallerDatabase.h"

namespace quarrix::platform {

// MsiQueryProductState results the engine distinguishes.
inline constexpr int kInstallStateUnknown = -1;
inline constexpr int kInstallStateDefault = 5;  // installed for the current user or the machine

// Message types: the top byte of a message code; the low 24 bits are message-box style flags.
inline constexpr uint32_t kInstallMessageTypeMask = 0xFF000000;
inline constexpr uint32_t kInstallMessageFlagsMask = 0x00FFFFFF;
inline constexpr uint32_t kInstallMessageFatalExit = 0x00000000;
inline constexpr uint32_t kInstallMessageError = 0x01000000;
inline constexpr uint32_t kInstallMessageWarning = 0x02000000;
inline constexpr uint32_t kInstallMessageUser = 0x03000000;
inline constexpr uint32_t kInstallMessageInfo = 0x04000000;
inline constexpr uint32_t kInstallMessageFilesInUse = 0x05000000;
inline constexpr uint32_t kInstallMessageResolveSource = 0x06000000;
inline constexpr uint32_t kInstallMessageOutOfDiskSpace = 0x07000000;
inline constexpr uint32_t kInstallMessageActionStart = 0x08000000;
inline constexpr uint32_t kInstallMessageActionData = 0x09000000;
inline constexpr uint32_t kInstallMessageProgress = 0x0A000000;
inline constexpr uint32_t kInstallMessageCommonData = 0x0B000000;
inline constexpr uint32_t kInstallMessageInitialize = 0x0C000000;
inline constexpr uint32_t kInstallMessageTerminate = 0x0D000000;
inline constexpr uint32_t kInstallMessageShowDialog = 0x0E000000;

// MsiSetInternalUI levels.
inline constexpr int kInstallUiLevelNoChange = 0;
inline constexpr int kInstallUiLevelNone = 2;
inline constexpr int kInstallUiLevelSourceResOnly = 0x100;

// MsiEnableLog attributes.
inline constexpr uint32_t kInstallLogAppend = 1;
inline constexpr uint32_t kInstallLogFlushEachLine = 2;

// MsiGetMode run modes.
inline constexpr int kInstallRunModeRebootAtEnd = 6;
inline constexpr int kInstallRunModeRebootNow = 7;

// msi.dll or one of its functions could not be bound. The text is the one the engine reports:
// "Library not found: msi.dll" or "Function not found: msi.dll.MsiOpenDatabaseA".
class InstallerUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Receives every message the registered filter passes, on the thread that is inside the
// installer call: the message code and its text. Returns what the installer gets back: 0 not
// handled, 1 (IDOK) go on, 2 (IDCANCEL) cancel, or the button pressed in a message box.
using InstallerUiHandler = std::function<int(uint32_t messageCode, const std::string& text)>;

// A package opened for running its actions (MsiOpenPackage), used where MsiInstallProduct cannot
// remove a product.
class InstallerPackage {
 public:
  virtual ~InstallerPackage() = default;
  virtual unsigned SetProperty(const std::string& name, const std::string& value) = 0;
  virtual unsigned DoAction(const std::string& action) = 0;
  virtual bool GetMode(int runMode) = 0;
};

class Installer {
 public:
  virtual ~Installer() = default;

  // MsiQueryProductState; kInstallStateUnknown when the product is not known or the call fails.
  virtual int QueryProductState(const std::string& productCode) = 0;
  // MsiGetProductInfo (for example "PackageCode"); nothing when the call fails.
  virtual std::optional<std::string> GetProductInfo(const std::string& productCode,
                                                    const std::string& property) = 0;

  // Nothing when the package cannot be opened in that mode.
  virtual std::unique_ptr<InstallerDatabase> OpenDatabase(const std::string& path, DatabaseOpenMode mode) = 0;
  // An empty record for statement parameters and inserts.
  virtual std::unique_ptr<InstallerRecord> CreateRecord(unsigned fieldCount) = 0;

  // Replaces the registered handler (an empty one unregisters) for the messages whose type bit
  // (1 << (type >> 24)) is set in the filter.
  virtual void SetExternalUI(InstallerUiHandler handler, uint32_t messageFilter) = 0;
  // Returns the previous level.
  virtual int SetInternalUI(int level) = 0;
  // Logging of later installer runs into the file (an empty path stops it).
  virtual unsigned EnableLog(uint32_t logMode, const std::string& logFile, uint32_t attributes) = 0;

  // The installer's result code: 0, 3010 and 1641 are success.
  virtual unsigned InstallProduct(const std::string& packagePath, const std::string& commandLine) = 0;
  // Applies the patch to the products it names (no install package, INSTALLTYPE_DEFAULT).
  virtual unsigned ApplyPatch(const std::string& patchPath, const std::string& commandLine) = 0;
  // An empty user name means the current user.
  virtual unsigned SourceListAddSource(const std::string& productCode, const std::string& userName,
                                       const std::string& source) = 0;
  // Nothing when the package cannot be opened.
  virtual std::unique_ptr<InstallerPackage> OpenPackage(const std::string& packagePath) = 0;
};

}  // namespace quarrix::platform

#pragma once
// Windows Installer through msi.dll, bound by name on first use of each function (the ANSI
// entry points: the engine's texts are ANSI byte strings).
#include <map>
#include <mutex>
#include <string>

#include "platform/Installer.h"

namespace quarrix::platform::win32 {

class Win32Installer : public Installer {
 public:
  Win32Installer() = default;
  ~Win32Installer() override;
  Win32Installer(const Win32Installer&) = delete;
  Win32Installer& operator=(const Win32Installer&) = delete;

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

  // The function, bound now if it was not; nullptr when the library or the function is missing.
  void (*Find(const char* name))();
  // As Find, but throws InstallerUnavailable with the engine's text.
  void (*Require(const char* name))();

 private:
  std::mutex mutex_;
  bool loadTried_ = false;
  void* module_ = nullptr;  // HMODULE of msi.dll
  std::map<std::string, void (*)()> functions_;
  InstallerUiHandler handler_;  // the installer's callback reaches it through its context pointer
};

}  // namespace quarrix::platform::win32

#pragma once
// Windows Installer through msi.dll, bound by name on first use of each function (the ANSI
// entry points: the engine's texts are ANSI byte strings).
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <utility>

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

  // The handler's exception is held while the installer call that sent the message runs on, and
  // thrown here once it has returned: it must not unwind through the installer's own frames.
  template <typename Call>
  auto WithHandler(Call call) {
    messages_.failure = nullptr;
    auto result = call();
    if (messages_.failure) std::rethrow_exception(std::exchange(messages_.failure, nullptr));
    return result;
  }

  // What the installer's callback reaches through its context pointer.
  struct MessageSink {
    InstallerUiHandler handler;
    std::exception_ptr failure;  // set by a handler that threw; later messages are answered IDCANCEL
  };

 private:
  std::mutex mutex_;
  bool loadTried_ = false;
  void* module_ = nullptr;  // HMODULE of msi.dll
  std::map<std::string, void (*)()> functions_;
  MessageSink messages_;
};

}  // namespace quarrix::platform::win32

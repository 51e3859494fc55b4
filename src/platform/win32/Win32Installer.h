#pragma once
// Windows Installer's product queries through msi.dll, bound on first use.
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

 private:
  bool Bind();

  bool bindTried_ = false;
  void* module_ = nullptr;  // HMODULE of msi.dll
  void (*queryProductState_)() = nullptr;
  void (*getProductInfo_)() = nullptr;
};

}  // namespace quarrix::platform::win32

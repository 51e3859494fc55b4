#include "platform/win32/Win32Installer.h"

#include <vector>

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {
namespace {

using QueryProductStateFunction = INT(WINAPI*)(LPCSTR);
using GetProductInfoFunction = UINT(WINAPI*)(LPCSTR, LPCSTR, LPSTR, LPDWORD);

template <typename Function>
Function As(void (*generic)()) {
  return reinterpret_cast<Function>(generic);
}

}  // namespace

Win32Installer::~Win32Installer() {
  if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
}

bool Win32Installer::Bind() {
  if (!bindTried_) {
    bindTried_ = true;
    HMODULE module = LoadLibraryA("msi.dll");
    if (module != nullptr) {
      module_ = module;
      queryProductState_ = LookUpProcedure<void (*)()>(module, "MsiQueryProductStateA");
      getProductInfo_ = LookUpProcedure<void (*)()>(module, "MsiGetProductInfoA");
    }
  }
  return module_ != nullptr;
}

int Win32Installer::QueryProductState(const std::string& productCode) {
  if (!Bind() || queryProductState_ == nullptr) return kInstallStateUnknown;
  return As<QueryProductStateFunction>(queryProductState_)(productCode.c_str());
}

std::optional<std::string> Win32Installer::GetProductInfo(const std::string& productCode,
                                                          const std::string& property) {
  if (!Bind() || getProductInfo_ == nullptr) return std::nullopt;
  auto getProductInfo = As<GetProductInfoFunction>(getProductInfo_);
  std::vector<char> buffer(64);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD length = static_cast<DWORD>(buffer.size());
    UINT status = getProductInfo(productCode.c_str(), property.c_str(), buffer.data(), &length);
    if (status == ERROR_SUCCESS) return std::string(buffer.data(), length);
    if (status != ERROR_MORE_DATA) return std::nullopt;
    buffer.resize(static_cast<size_t>(length) + 1);  // length excludes the terminator
  }
  return std::nullopt;
}

}  // namespace quarrix::platform::win32

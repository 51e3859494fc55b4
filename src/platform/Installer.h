#pragma once
// What the engine asks Windows Installer about installed products. The library is bound at run
// time; a machine without it answers as one on which nothing is installed.
#include <optional>
#include <string>

namespace quarrix::platform {

// MsiQueryProductState results the engine distinguishes.
inline constexpr int kInstallStateUnknown = -1;
inline constexpr int kInstallStateDefault = 5;  // installed for the current user or the machine

class Installer {
 public:
  virtual ~Installer() = default;

  // MsiQueryProductState; kInstallStateUnknown when the product is not known or the call fails.
  virtual int QueryProductState(const std::string& productCode) = 0;
  // MsiGetProductInfo (for example "PackageCode"); nothing when the call fails.
  virtual std::optional<std::string> GetProductInfo(const std::string& productCode,
                                                    const std::string& property) = 0;
};

}  // namespace quarrix::platform

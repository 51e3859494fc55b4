#pragma once
// The simulated Windows Installer: a table of installed products a test or qx may fill.
#include <map>
#include <optional>
#include <string>

#include "platform/Installer.h"

namespace quarrix::platform::sim {

struct SimProduct {
  int state = kInstallStateDefault;
  std::map<std::string, std::string> properties;  // "PackageCode" -> "{...}"
};

class SimInstaller : public Installer {
 public:
  // Product codes compare without regard to case, as the installer's GUIDs do.
  std::map<std::string, SimProduct> products;  // upper-cased product code -> product

  // Marks a product installed (state 5) with the given package code.
  void AddProduct(const std::string& productCode, const std::string& packageCode);
  const SimProduct* Find(const std::string& productCode) const;

  int QueryProductState(const std::string& productCode) override;
  std::optional<std::string> GetProductInfo(const std::string& productCode, const std::string& property) override;
};

}  // namespace quarrix::platform::sim

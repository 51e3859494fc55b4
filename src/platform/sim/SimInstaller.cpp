#include "platform/sim/SimInstaller.h"

#include "common/AnsiText.h"

namespace quarrix::platform::sim {

void SimInstaller::AddProduct(const std::string& productCode, const std::string& packageCode) {
  SimProduct& product = products[ToUpperAscii(productCode)];
  product.state = kInstallStateDefault;
  product.properties["PackageCode"] = packageCode;
}

const SimProduct* SimInstaller::Find(const std::string& productCode) const {
  auto it = products.find(ToUpperAscii(productCode));
  return it == products.end() ? nullptr : &it->second;
}

int SimInstaller::QueryProductState(const std::string& productCode) {
  const SimProduct* product = Find(productCode);
  return product == nullptr ? kInstallStateUnknown : product->state;
}

std::optional<std::string> SimInstaller::GetProductInfo(const std::string& productCode, const std::string& property) {
  const SimProduct* product = Find(productCode);
  if (product == nullptr) return std::nullopt;
  auto it = product->properties.find(property);
  if (it == product->properties.end()) return std::nullopt;
  return it->second;
}

}  // namespace quarrix::platform::sim

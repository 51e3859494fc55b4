#pragma once
// Repairs of the installer's own registration of the product: where it looks for the package
// at removal, and the temporary package records it leaves behind.
#include <string>

#include "platform/Registry.h"

namespace quarrix {

// The packed form the installer uses for key names under "Installer\Products": braces and
// dashes gone, the first three groups reversed, the digits of every pair in the last two
// swapped.
std::string PackGuid(const std::string& guid);

// Deletes the installer's TempPackages values that name the product.
void ClearTempPackages(platform::Registry& registry, const std::string& productCode);

// Points the installer's source list of the product at the folders the engine keeps the package
// in, for the user's and the classes' registration. ntPlatform: the values are REG_EXPAND_SZ.
void RedirectSourceList(platform::Registry& registry, bool ntPlatform, const std::string& productCode,
                        const std::string& packageFolder, const std::string& dataFolder,
                        const std::string& mediaPath);

}  // namespace quarrix

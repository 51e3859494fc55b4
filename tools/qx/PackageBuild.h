#pragma once
// The package of a project's package.wxs and the source image its installer reads.
#include <filesystem>
#include <string>
#include <vector>

namespace quarrix::qx {

struct SourceImageFile {
  std::filesystem::path relative;  // below the package's folder, as its Directory table names it
  std::filesystem::path content;   // the file's bytes, unpacked from the package's cabinet
};

struct BuiltPackage {
  std::filesystem::path package;
  std::vector<SourceImageFile> files;
};

// Runs wixl, applies the components' qx:Condition attributes, gives the package the script's
// product code and package code (each only when not empty). Everything goes below scratch.
// The support archive of a folder, packed with 7z so that its entry paths are relative to it.
void PackSupportArchive(const std::filesystem::path& supportFolder, const std::filesystem::path& archive);

BuiltPackage BuildPackage(const std::filesystem::path& wxs, const std::filesystem::path& scratch,
                          const std::string& productCode, const std::string& packageCode);

}  // namespace quarrix::qx

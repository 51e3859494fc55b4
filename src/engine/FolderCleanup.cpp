#include "engine/FolderCleanup.h"

#include "common/WindowsPath.h"

namespace quarrix {

void EmptyFolder(platform::FileSystem& files, const std::string& folder) {
  const std::string base = WithTrailingBackslash(folder);
  for (const auto& entry : files.ListDirectory(base)) {
    const std::string path = base + entry.name;
    if (entry.isDirectory) {
      EmptyFolder(files, path);
      files.RemoveEmptyDirectory(path);
    } else {
      files.SetAttributesNormal(path);
      files.RemoveFile(path);
    }
  }
}

void RemoveFolderTree(platform::FileSystem& files, const std::string& folder) {
  for (int pass = 0; pass < 3; ++pass) EmptyFolder(files, folder);
  files.RemoveEmptyDirectory(WithoutTrailingBackslashesNeverEmpty(folder));
}

}  // namespace quarrix

#include "engine/FolderCleanup.h"

namespace quarrix {
namespace {

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

void EmptyFolder(platform::FileSystem& files, const std::string& folder) {
  const std::string base = WithBackslash(folder);
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
  std::string withoutBackslash = folder;
  while (withoutBackslash.size() > 1 && withoutBackslash.back() == '\\') withoutBackslash.pop_back();
  files.RemoveEmptyDirectory(withoutBackslash);
}

}  // namespace quarrix

#include "media/MergeFolder.h"

#include "common/WindowsPath.h"
#include "engine/FolderCleanup.h"

namespace quarrix {
namespace {

bool PlaceFile(platform::FileSystem& files, const std::string& source, const std::string& target, bool move) {
  if (!move) return files.Copy(source, target, /*overwrite=*/true);
  if (files.FileExists(target)) {
    files.SetAttributesNormal(target);
    files.RemoveFile(target);
  }
  return files.Move(source, target);
}

bool MergeLevel(platform::FileSystem& files, const std::string& source, const std::string& destination, bool move) {
  for (const platform::DirectoryEntry& entry : files.ListDirectory(source)) {
    const std::string from = source + entry.name;
    const std::string to = destination + entry.name;
    if (entry.isDirectory) {
      if (!MergeLevel(files, from + "\\", to + "\\", move)) return false;
      continue;
    }
    if (!files.DirectoryExists(destination) && !files.CreateDirectories(destination)) return false;
    if (!PlaceFile(files, from, to, move)) return false;
  }
  return true;
}

}  // namespace

bool MergeFolder(platform::FileSystem& files, const std::string& source, const std::string& destination, bool move) {
  const std::string from = WithTrailingBackslash(source);
  if (!MergeLevel(files, from, WithTrailingBackslash(destination), move)) return false;
  if (move) RemoveFolderTree(files, from);
  return true;
}

}  // namespace quarrix

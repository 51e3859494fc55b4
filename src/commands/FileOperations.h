#pragma once
// File operations the file commands share with other commands: the folder lister, the folder
// emptier and the request to delete a path when the system next starts.
#include <functional>
#include <string>

#include "common/AnsiText.h"
#include "platform/Platform.h"

namespace quarrix {

// What a long listing tells its caller while it runs, and how the caller stops it.
struct ListFilesObserver {
  std::function<void()> enteringFolder;
  std::function<void(const std::string& path)> foundFile;
  std::function<bool()> stopRequested;  // asked after each subfolder and each file
};

// pattern: a folder and a mask ("C:\Data\*.txt"). Each subfolder is listed after its contents
// (when recurse) and its own name comes after them (when withFolders); the folder's matching
// files come last, all in the order the file system returns them. A stopped listing returns
// what it found so far.
StringList ListFiles(platform::FileSystem& files, const std::string& pattern, bool recurse, bool withFolders,
                     const ListFilesObserver* observer = nullptr);

// Deletes every file of the folder, read-only ones too; when recursive, first empties and removes
// every subfolder. The folder itself stays.
void EmptyFolder(platform::FileSystem& files, const std::string& folder, bool recursive);

// NT: the system's delayed deletion. Windows 9x: the short form of the path as "NUL=" in the
// "[Rename]" section of the Windows folder's "wininit.ini".
bool DeleteOnReboot(const platform::Platform& platform, const std::string& path);

}  // namespace quarrix

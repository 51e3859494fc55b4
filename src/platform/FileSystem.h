#pragma once
// Files and folders of the machine, addressed by Windows paths in the ANSI code page
// ("C:\Users\x\Temp\file.txt"). Names compare without regard to case, as on Windows.
// Operations report failure by their result; none of them throws.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarrix::platform {

struct DirectoryEntry {
  std::string name;  // file or folder name, no path
  bool isDirectory = false;
};

// The fixed file information of a version resource: dwFileVersionMS and dwFileVersionLS as words.
struct FileVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t release = 0;
  uint16_t build = 0;
};

struct DiskSpace {
  uint64_t freeToCaller = 0;  // what the calling account may still use (quotas applied)
  uint64_t total = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool FileExists(const std::string& path) = 0;       // a file, not a folder
  virtual bool DirectoryExists(const std::string& path) = 0;  // a folder, not a file
  virtual std::optional<uint64_t> FileSize(const std::string& path) = 0;

  // Opened read-only with shared reading. length == UINT64_MAX reads to the end.
  virtual std::optional<std::string> ReadFile(const std::string& path, uint64_t offset = 0,
                                              uint64_t length = UINT64_MAX) = 0;
  // Created or truncated, then written whole.
  virtual bool WriteFile(const std::string& path, const std::string& data) = 0;
  // Opened for reading and writing (created when missing), data written at its end.
  virtual bool AppendFile(const std::string& path, const std::string& data) = 0;
  // Cut (or created empty when missing) at size bytes; a longer file keeps its first size bytes.
  virtual bool TruncateFile(const std::string& path, uint64_t size) = 0;

  virtual bool RemoveFile(const std::string& path) = 0;
  // Deletes the file, or the folder once it is empty, when the system next starts
  // (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT); requests run in the order they were made.
  virtual bool DeleteAtRestart(const std::string& path) = 0;
  virtual bool Copy(const std::string& source, const std::string& target, bool overwrite) = 0;
  virtual bool Move(const std::string& source, const std::string& target) = 0;
  virtual bool SetAttributesNormal(const std::string& path) = 0;
  // Adds the hidden attribute to a file or folder, keeping its other attributes.
  virtual bool SetHidden(const std::string& path) = 0;
  // NTFS compression of a file or folder (FSCTL_SET_COMPRESSION): LZNT1 when compressed, else none.
  virtual bool SetCompression(const std::string& path, bool compressed) = 0;
  // The short 8.3 form of an existing path (GetShortPathName); nothing when the call fails.
  virtual std::optional<std::string> ShortPathName(const std::string& path) = 0;
  // Whether the drive the path lies on is a fixed disk (GetDriveType DRIVE_FIXED): removable
  // media, CD drives and network shares are not.
  virtual bool IsOnFixedDrive(const std::string& path) = 0;

  // The process's current directory, and changing it; installers and the custom actions they
  // start inherit it.
  virtual std::string CurrentDirectory() = 0;
  virtual bool ChangeCurrentDirectory(const std::string& path) = 0;

  // Creates the folder and every missing parent; true when it exists afterwards.
  virtual bool CreateDirectories(const std::string& path) = 0;
  // Removes a folder that is empty.
  virtual bool RemoveEmptyDirectory(const std::string& path) = 0;
  // The entries of a folder, without "." and "..", in the order the file system returns them.
  virtual std::vector<DirectoryEntry> ListDirectory(const std::string& path) = 0;
  // The entries a search pattern (a folder and a mask with "*" and "?") finds, as FindFirstFile
  // and FindNextFile return them, "." and ".." left out.
  virtual std::vector<DirectoryEntry> FindMatching(const std::string& pattern) = 0;
  // The file version of the file's version resource; nothing when it has none.
  virtual std::optional<FileVersion> VersionOfFile(const std::string& path) = 0;
  // The disk an existing folder lies on (GetDiskFreeSpaceEx); nothing when the call fails.
  virtual std::optional<DiskSpace> SpaceOnDisk(const std::string& folder) = 0;
  // A new empty file in the folder named prefix (its first three characters), up to four
  // hexadecimal digits and ".tmp" (GetTempFileName, unique number 0); its path, or nothing.
  virtual std::optional<std::string> CreateTempFile(const std::string& folder, const std::string& prefix) = 0;
  // The drive letter's drive is a CD or DVD drive (GetDriveType DRIVE_CDROM).
  virtual bool IsCdDrive(char letter) = 0;

  // UTF-16 forms of a few operations, for names the ANSI code page cannot spell. A backend
  // without them fails every call.
  virtual bool FileExistsWide(const std::u16string&) { return false; }
  virtual bool RemoveFileWide(const std::u16string&) { return false; }
  virtual bool CopyWide(const std::u16string&, const std::u16string&, bool) { return false; }
  virtual bool MoveWide(const std::u16string&, const std::u16string&) { return false; }
  virtual bool SetAttributesNormalWide(const std::u16string&) { return false; }
};

}  // namespace quarrix::platform

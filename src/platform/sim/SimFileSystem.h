#pragma once
// The simulated machine's drives: Windows paths mapped onto a host folder, one sub-folder per
// drive letter ("C:\Temp\a.txt" is <root>/C/Temp/a.txt) and "UNC" for "\\server\share\...".
// Names resolve without regard to case, as on Windows; a new name keeps the spelling given.
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/FileSystem.h"

namespace quarrix::platform::sim {

class SimFileSystem : public FileSystem {
 public:
  explicit SimFileSystem(std::filesystem::path hostRoot);

  const std::filesystem::path& HostRoot() const { return hostRoot_; }
  // The host path a Windows path resolves to; nothing for a path that is not absolute.
  std::optional<std::filesystem::path> HostPath(const std::string& windowsPath) const;

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  std::optional<std::string> ReadFile(const std::string& path, uint64_t offset = 0,
                                      uint64_t length = UINT64_MAX) override;
  bool WriteFile(const std::string& path, const std::string& data) override;
  bool AppendFile(const std::string& path, const std::string& data) override;
  bool TruncateFile(const std::string& path, uint64_t size) override;
  // A file in use (SetInUse) cannot be deleted, as a running program's executable on Windows;
  // its folder can still be renamed, and the mark moves with it.
  bool RemoveFile(const std::string& path) override;
  void SetInUse(const std::string& path, bool inUse);
  bool IsInUse(const std::string& path) const;
  // Recorded, in order, as Windows keeps them until the next start.
  bool DeleteAtRestart(const std::string& path) override;
  const std::vector<std::string>& PendingRestartDeletes() const { return pendingRestartDeletes_; }
  // The next start: nothing is in use any more and the recorded deletions happen, each file
  // deleted and each folder removed when it is empty by then.
  void Restart();
  bool Copy(const std::string& source, const std::string& target, bool overwrite) override;
  bool Move(const std::string& source, const std::string& target) override;
  bool SetAttributesNormal(const std::string& path) override;
  bool SetHidden(const std::string& path) override;
  bool SetCompression(const std::string& path, bool compressed) override;
  // The simulated volume keeps long names only: an existing path is its own short form.
  std::optional<std::string> ShortPathName(const std::string& path) override;
  // Drive letters are fixed disks unless listed here (upper case); UNC paths never are.
  std::string removableDrives;
  bool IsOnFixedDrive(const std::string& path) override;

  // Attributes the host folder cannot hold, kept by resolved host path.
  bool IsHidden(const std::string& path) const;
  std::optional<bool> Compression(const std::string& path) const;  // nothing: never set
  std::string CurrentDirectory() override { return currentDirectory_; }
  // Only to an existing folder, as the system allows.
  bool ChangeCurrentDirectory(const std::string& path) override;
  bool CreateDirectories(const std::string& path) override;
  bool RemoveEmptyDirectory(const std::string& path) override;
  std::vector<DirectoryEntry> ListDirectory(const std::string& path) override;
  // The mask matches as the system's does on long names: "*" and "?" without regard to case,
  // "*.*" everything, a mask ending in "." names without an extension; in the order NTFS keeps.
  std::vector<DirectoryEntry> FindMatching(const std::string& pattern) override;
  // Read from the file's own version resource.
  std::optional<FileVersion> VersionOfFile(const std::string& path) override;
  // A drive listed here answers with its figures; any other existing drive with those of the
  // host folder's disk.
  std::map<char, DiskSpace> diskSpace;
  std::optional<DiskSpace> SpaceOnDisk(const std::string& folder) override;
  std::optional<std::string> CreateTempFile(const std::string& folder, const std::string& prefix) override;
  // Drive letters (upper case) that are CD drives.
  std::string cdDrives;
  bool IsCdDrive(char letter) override;

  // The attribute marks by the Windows paths they belong to: what the machine folder keeps, since
  // host paths change when the folder moves.
  std::vector<std::string> HiddenPaths() const;
  std::vector<std::pair<std::string, bool>> CompressionMarks() const;
  // Wide names are host names in UTF-8: what a Unicode file system holds for them.
  bool FileExistsWide(const std::u16string& path) override { return FileExists(HostName(path)); }
  bool RemoveFileWide(const std::u16string& path) override { return RemoveFile(HostName(path)); }
  bool CopyWide(const std::u16string& source, const std::u16string& target, bool overwrite) override {
    return Copy(HostName(source), HostName(target), overwrite);
  }
  bool MoveWide(const std::u16string& source, const std::u16string& target) override {
    return Move(HostName(source), HostName(target));
  }
  bool SetAttributesNormalWide(const std::u16string& path) override { return SetAttributesNormal(HostName(path)); }
  static std::string HostName(const std::u16string& wide);

 private:
  std::optional<std::string> AttributeKey(const std::string& path) const;  // existing entries only

  std::filesystem::path hostRoot_;
  std::set<std::string> hidden_;
  std::map<std::string, bool> compression_;
  std::set<std::string> inUse_;
  std::string currentDirectory_ = "C:\\";  // resolved host paths
  std::vector<std::string> pendingRestartDeletes_;
  uint32_t tempFileCounter_ = 0;
};

}  // namespace quarrix::platform::sim

#pragma once
// Files and folders through the ANSI Win32 file API.
#include "platform/FileSystem.h"

namespace quarrix::platform::win32 {

class Win32FileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  std::optional<std::string> ReadFile(const std::string& path, uint64_t offset = 0,
                                      uint64_t length = UINT64_MAX) override;
  bool WriteFile(const std::string& path, const std::string& data) override;
  bool AppendFile(const std::string& path, const std::string& data) override;
  bool TruncateFile(const std::string& path, uint64_t size) override;
  bool RemoveFile(const std::string& path) override;
  bool DeleteAtRestart(const std::string& path) override;
  bool Copy(const std::string& source, const std::string& target, bool overwrite) override;
  bool Move(const std::string& source, const std::string& target) override;
  bool SetAttributesNormal(const std::string& path) override;
  bool SetHidden(const std::string& path) override;
  bool SetCompression(const std::string& path, bool compressed) override;
  std::optional<std::string> ShortPathName(const std::string& path) override;
  std::string CurrentDirectory() override;
  bool ChangeCurrentDirectory(const std::string& path) override;
  bool IsOnFixedDrive(const std::string& path) override;
  bool CreateDirectories(const std::string& path) override;
  bool RemoveEmptyDirectory(const std::string& path) override;
  std::vector<DirectoryEntry> ListDirectory(const std::string& path) override;
  std::vector<DirectoryEntry> FindMatching(const std::string& pattern) override;
  std::optional<FileVersion> VersionOfFile(const std::string& path) override;
  std::optional<DiskSpace> SpaceOnDisk(const std::string& folder) override;
  std::optional<std::string> CreateTempFile(const std::string& folder, const std::string& prefix) override;
  bool IsCdDrive(char letter) override;
  bool FileExistsWide(const std::u16string& path) override;
  bool RemoveFileWide(const std::u16string& path) override;
  bool CopyWide(const std::u16string& source, const std::u16string& target, bool overwrite) override;
  bool MoveWide(const std::u16string& source, const std::u16string& target) override;
  bool SetAttributesNormalWide(const std::u16string& path) override;
};

}  // namespace quarrix::platform::win32

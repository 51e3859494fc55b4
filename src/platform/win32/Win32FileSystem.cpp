#include "platform/win32/Win32FileSystem.h"

#include <algorithm>
#include <vector>

#include "common/WindowsPath.h"
#include "platform/win32/Win32Api.h"
// After <windows.h>: the compression control code.
#include <winioctl.h>
#include <winver.h>

namespace quarrix::platform::win32 {

namespace {

// Large transfers go through in pieces: ReadFile and WriteFile take a 32-bit length.
constexpr DWORD kChunkSize = 1u << 24;

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (IsOpen()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

HANDLE OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE handle, const std::string& data) {
  size_t written = 0;
  while (written < data.size()) {
    DWORD piece = static_cast<DWORD>(std::min<size_t>(data.size() - written, kChunkSize));
    DWORD done = 0;
    if (!::WriteFile(handle, data.data() + written, piece, &done, nullptr) || done != piece) return false;
    written += done;
  }
  return true;
}

std::optional<DWORD> Attributes(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  auto attributes = Attributes(path);
  return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
  auto attributes = Attributes(path);
  return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<uint64_t> Win32FileSystem::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::string> Win32FileSystem::ReadFile(const std::string& path, uint64_t offset, uint64_t length) {
  FileHandle file(OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  if (!file.IsOpen()) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return std::nullopt;
  uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
  if (offset > fileSize) return std::string();
  uint64_t wanted = std::min(length, fileSize - offset);

  LARGE_INTEGER start{};
  start.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) return std::nullopt;
  std::string data(static_cast<size_t>(wanted), '\0');
  size_t filled = 0;
  while (filled < data.size()) {
    DWORD piece = static_cast<DWORD>(std::min<size_t>(data.size() - filled, kChunkSize));
    DWORD done = 0;
    if (!::ReadFile(file.Get(), data.data() + filled, piece, &done, nullptr)) return std::nullopt;
    if (done == 0) break;  // the file shrank while we read it
    filled += done;
  }
  data.resize(filled);
  return data;
}

bool Win32FileSystem::WriteFile(const std::string& path, const std::string& data) {
  FileHandle file(OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
  return file.IsOpen() && WriteAll(file.Get(), data);
}

bool Win32FileSystem::AppendFile(const std::string& path, const std::string& data) {
  FileHandle file(OpenFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS));
  if (!file.IsOpen()) return false;
  LARGE_INTEGER none{};
  if (!SetFilePointerEx(file.Get(), none, nullptr, FILE_END)) return false;
  return WriteAll(file.Get(), data);
}

bool Win32FileSystem::TruncateFile(const std::string& path, uint64_t size) {
  FileHandle file(OpenFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS));
  if (!file.IsOpen()) return false;
  LARGE_INTEGER held{};
  if (!GetFileSizeEx(file.Get(), &held)) return false;
  if (static_cast<uint64_t>(held.QuadPart) <= size) return true;
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

bool Win32FileSystem::RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool Win32FileSystem::DeleteAtRestart(const std::string& path) {
  return MoveFileExA(WithoutTrailingSeparatorsNeverEmpty(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool Win32FileSystem::Copy(const std::string& source, const std::string& target, bool overwrite) {
  return CopyFileA(source.c_str(), target.c_str(), overwrite ? FALSE : TRUE) != 0;
}

bool Win32FileSystem::Move(const std::string& source, const std::string& target) {
  return MoveFileA(source.c_str(), target.c_str()) != 0;
}

bool Win32FileSystem::SetAttributesNormal(const std::string& path) {
  return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

bool Win32FileSystem::SetHidden(const std::string& path) {
  const std::string target = WithoutTrailingSeparatorsNeverEmpty(path);
  DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return SetFileAttributesA(target.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool Win32FileSystem::SetCompression(const std::string& path, bool compressed) {
  // Backup semantics let the same call open a folder.
  HANDLE handle = CreateFileA(WithoutTrailingSeparatorsNeverEmpty(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                              nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  USHORT format = compressed ? COMPRESSION_FORMAT_LZNT1 : COMPRESSION_FORMAT_NONE;
  DWORD returned = 0;
  const bool done =
      DeviceIoControl(handle, FSCTL_SET_COMPRESSION, &format, sizeof(format), nullptr, 0, &returned, nullptr) != 0;
  CloseHandle(handle);
  return done;
}

// GetDriveType wants the root: "C:\" or "\\server\share\".
bool Win32FileSystem::IsOnFixedDrive(const std::string& path) {
  const std::string drive = DriveOf(path);
  if (drive.empty()) return false;
  return GetDriveTypeA((drive + "\\").c_str()) == DRIVE_FIXED;
}

std::string Win32FileSystem::CurrentDirectory() {
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return {};
  std::string folder(needed, '\0');
  const DWORD length = GetCurrentDirectoryA(needed, folder.data());
  folder.resize(length < needed ? length : 0);
  return folder;
}

bool Win32FileSystem::ChangeCurrentDirectory(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

std::optional<std::string> Win32FileSystem::ShortPathName(const std::string& path) {
  DWORD needed = GetShortPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::string shortPath(needed, '\0');
  DWORD length = GetShortPathNameA(path.c_str(), shortPath.data(), needed);
  if (length == 0 || length >= needed) return std::nullopt;
  shortPath.resize(length);
  return shortPath;
}

bool Win32FileSystem::CreateDirectories(const std::string& path) {
  std::string folder = WithoutTrailingSeparatorsNeverEmpty(path);
  if (folder.empty()) return false;
  for (size_t separator = folder.find('\\', DriveOf(folder).size() + 1); ;
       separator = folder.find('\\', separator + 1)) {
    std::string prefix = folder.substr(0, separator);
    if (!DirectoryExists(prefix)) CreateDirectoryA(prefix.c_str(), nullptr);
    if (separator == std::string::npos) break;
  }
  return DirectoryExists(folder);
}

bool Win32FileSystem::RemoveEmptyDirectory(const std::string& path) {
  return RemoveDirectoryA(WithoutTrailingSeparatorsNeverEmpty(path).c_str()) != 0;
}

std::vector<DirectoryEntry> Win32FileSystem::ListDirectory(const std::string& path) {
  return FindMatching(WithoutTrailingSeparatorsNeverEmpty(path) + "\\*");
}

std::vector<DirectoryEntry> Win32FileSystem::FindMatching(const std::string& pattern) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return entries;
}

std::optional<FileVersion> Win32FileSystem::VersionOfFile(const std::string& path) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  char root[] = "\\";
  if (!VerQueryValueA(block.data(), root, reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  return FileVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                     LOWORD(fixed->dwFileVersionLS)};
}

std::optional<DiskSpace> Win32FileSystem::SpaceOnDisk(const std::string& folder) {
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  if (!GetDiskFreeSpaceExA(folder.c_str(), &available, &total, nullptr)) return std::nullopt;
  return DiskSpace{available.QuadPart, total.QuadPart};
}

std::optional<std::string> Win32FileSystem::CreateTempFile(const std::string& folder, const std::string& prefix) {
  char buffer[MAX_PATH + 1] = {};
  if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, buffer) == 0) return std::nullopt;
  return std::string(buffer);
}

bool Win32FileSystem::IsCdDrive(char letter) {
  const char root[] = {letter, ':', '\\', '\0'};
  return GetDriveTypeA(root) == DRIVE_CDROM;
}

namespace {
const wchar_t* WidePath(const std::u16string& path) { return reinterpret_cast<const wchar_t*>(path.c_str()); }
}  // namespace

bool Win32FileSystem::FileExistsWide(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::RemoveFileWide(const std::u16string& path) { return DeleteFileW(WidePath(path)) != 0; }

bool Win32FileSystem::CopyWide(const std::u16string& source, const std::u16string& target, bool overwrite) {
  return CopyFileW(WidePath(source), WidePath(target), overwrite ? FALSE : TRUE) != 0;
}

bool Win32FileSystem::MoveWide(const std::u16string& source, const std::u16string& target) {
  return MoveFileW(WidePath(source), WidePath(target)) != 0;
}

bool Win32FileSystem::SetAttributesNormalWide(const std::u16string& path) {
  return SetFileAttributesW(WidePath(path), FILE_ATTRIBUTE_NORMAL) != 0;
}

}  // namespace quarrix::platform::win32

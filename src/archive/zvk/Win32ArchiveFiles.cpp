#include "archive/zvk/Win32ArchiveFiles.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The output's CreateFile is our own member, not the ANSI/wide switch of the system headers.
#undef CreateFile

#include <algorithm>
#include <thread>

namespace quarrix::archive::zvk {
namespace {

class Win32Input : public ArchiveInput {
 public:
  Win32Input(HANDLE file, uint64_t size) : file_(file), size_(size) {}
  ~Win32Input() override { CloseHandle(file_); }
  Win32Input(const Win32Input&) = delete;
  Win32Input& operator=(const Win32Input&) = delete;

  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
      // Each read names its own offset, so workers on other threads never move it.
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      const DWORD asked = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(file_, bytes, asked, &got, &at) || got == 0) return false;
      bytes += got;
      offset += got;
      size -= got;
    }
    return true;
  }

 private:
  HANDLE file_;
  uint64_t size_;
};

FILETIME AsFileTime(uint64_t ticks) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

constexpr const char* kTemporarySuffix = ".zvk-part";

class Win32OutputFile : public OutputFile {
 public:
  Win32OutputFile(HANDLE file, std::string path)
      : file_(file), path_(std::move(path)), temporary_(path_ + kTemporarySuffix) {}
  ~Win32OutputFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!completed_) DeleteFileA(temporary_.c_str());
  }
  Win32OutputFile(const Win32OutputFile&) = delete;
  Win32OutputFile& operator=(const Win32OutputFile&) = delete;

  bool Write(const void* data, size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const DWORD asked = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_, bytes, asked, &written, nullptr) || written != asked) return false;
      bytes += written;
      size -= written;
    }
    return true;
  }

  // Times and attributes are best effort: the bytes are what the file is for.
  bool Close(const FileStamp& stamp) override {
    FILETIME created{}, accessed{}, modified{};
    if (stamp.created) created = AsFileTime(*stamp.created);
    if (stamp.accessed) accessed = AsFileTime(*stamp.accessed);
    if (stamp.modified) modified = AsFileTime(*stamp.modified);
    if (stamp.created || stamp.accessed || stamp.modified)
      SetFileTime(file_, stamp.created ? &created : nullptr, stamp.accessed ? &accessed : nullptr,
                  stamp.modified ? &modified : nullptr);
    const bool closed = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) return false;
    // A read-only file from an earlier run would refuse to be replaced.
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    completed_ = true;
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (stamp.attributes && (*stamp.attributes & kSettable) != 0)
      SetFileAttributesA(path_.c_str(), *stamp.attributes & kSettable);
    return true;
  }

 private:
  HANDLE file_;
  std::string path_;
  std::string temporary_;
  bool completed_ = false;
};

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::unique_ptr<ArchiveInput> OpenWin32Archive(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
    CloseHandle(file);
    return nullptr;
  }
  return std::make_unique<Win32Input>(file, static_cast<uint64_t>(size.QuadPart));
}

// Every prefix up to a backslash is tried in turn; the drive and existing folders simply fail.
bool Win32ArchiveOutput::CreateFolders(const std::string& path) {
  for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    if (slash > 0 && path[slash - 1] != ':') CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
  }
  CreateDirectoryA(path.c_str(), nullptr);
  return IsFolder(path);
}

bool Win32ArchiveOutput::Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<OutputFile> Win32ArchiveOutput::CreateFile(const std::string& path) {
  const std::string temporary = path + kTemporarySuffix;
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32OutputFile>(file, path);
}

// No best-fit mapping: a look-alike must not turn into a real separator or dot. A UTF-8 ANSI
// code page accepts neither that flag nor a default character, and needs neither.
std::string AnsiCodePage::FromWide(const std::u16string& text) const {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  const char* fallback = "?";
  int needed = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, fallback, nullptr);
  if (needed <= 0) {
    flags = 0;
    fallback = nullptr;
    needed = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, fallback, nullptr);
  }
  if (needed <= 0) return std::string(text.size(), '?');
  std::string ansi(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide, length, ansi.data(), needed, fallback, nullptr);
  return ansi;
}

std::u16string AnsiCodePage::ToWide(const std::string& text) const {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string wide(static_cast<size_t>(needed), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(wide.data()), needed);
  return wide;
}

DecodeResources SystemDecodeResources() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  const uint64_t available =
      GlobalMemoryStatusEx(&status) ? std::min<uint64_t>(status.ullAvailPhys, status.ullAvailVirtual) : 0;
  return ResourcesOfHost(std::thread::hardware_concurrency(), available);
}

}  // namespace quarrix::archive::zvk

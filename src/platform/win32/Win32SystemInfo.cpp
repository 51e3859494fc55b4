#include "platform/win32/Win32SystemInfo.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "common/WindowsPath.h"
#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {

namespace {

constexpr DWORD kModuleNameBuffer = 261;
constexpr DWORD kTempPathBuffer = 260;
// Room for any wide path the system hands out, long-path prefix included.
constexpr DWORD kWidePathBuffer = 32768;

using RtlGetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
using SetProcessAffinityMaskFunction = BOOL(WINAPI*)(HANDLE, DWORD_PTR);

std::string WideToAnsi(const wchar_t* text, int length) {
  int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string converted(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, converted.data(), size, nullptr, nullptr);
  return converted;
}

// The short 8.3 form of the running executable's wide name, in ANSI; empty when unavailable.
std::string ShortExecutablePath() {
  std::vector<wchar_t> wide(kWidePathBuffer);
  DWORD length = GetModuleFileNameW(nullptr, wide.data(), kWidePathBuffer);
  if (length == 0 || length >= kWidePathBuffer) return {};
  std::vector<wchar_t> shortName(kWidePathBuffer);
  DWORD shortLength = GetShortPathNameW(wide.data(), shortName.data(), kWidePathBuffer);
  if (shortLength == 0 || shortLength >= kWidePathBuffer) return {};
  return WideToAnsi(shortName.data(), static_cast<int>(shortLength));
}

}  // namespace

WindowsVersion Win32SystemInfo::Version() {
  WindowsVersion version;
  auto rtlGetVersion = LookUpProcedure<RtlGetVersionFunction>(GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtlGetVersion != nullptr && rtlGetVersion(&info) == 0) {
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.ntFamily = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return version;
  }
  OSVERSIONINFOA fallback{};
  fallback.dwOSVersionInfoSize = sizeof(fallback);
  if (GetVersionExA(&fallback)) {
    version.major = fallback.dwMajorVersion;
    version.minor = fallback.dwMinorVersion;
    version.ntFamily = fallback.dwPlatformId == VER_PLATFORM_WIN32_NT;
  }
  return version;
}

std::string Win32SystemInfo::ExecutablePath() {
  char buffer[kModuleNameBuffer] = {};
  DWORD length = GetModuleFileNameA(nullptr, buffer, kModuleNameBuffer);
  if (length >= kModuleNameBuffer) length = kModuleNameBuffer - 1;  // truncated; still terminated
  std::string path(buffer, length);
  // '?' stands for a character the ANSI code page cannot represent.
  if (path.find('?') != std::string::npos) {
    std::string shortPath = ShortExecutablePath();
    if (!shortPath.empty()) return shortPath;
  }
  return path;
}

std::string Win32SystemInfo::CommandLine() {
  const char* line = GetCommandLineA();
  return line != nullptr ? std::string(line) : std::string();
}

std::string Win32SystemInfo::TempPath() {
  char buffer[kTempPathBuffer + 1] = {};
  DWORD length = GetTempPathA(kTempPathBuffer, buffer);
  if (length > 0 && length <= kTempPathBuffer) return std::string(buffer, length);
  if (length == 0) return {};
  // A longer folder than the customary buffer holds: cutting it would point elsewhere.
  std::vector<char> larger(length + 1);
  DWORD longLength = GetTempPathA(length + 1, larger.data());
  if (longLength == 0 || longLength > length) return {};
  return std::string(larger.data(), longLength);
}

void Win32SystemInfo::BindToFirstProcessor() {
  auto setAffinity = LookUpProcedure<SetProcessAffinityMaskFunction>(GetModuleHandleA("kernel32.dll"),
                                                                     "SetProcessAffinityMask");
  if (setAffinity != nullptr) setAffinity(GetCurrentProcess(), 1);
}

std::u16string Win32SystemInfo::AnsiToWide(std::string_view text) { return CodePageToWide(CP_ACP, text); }

std::u16string Win32SystemInfo::CodePageToWide(uint32_t codePage, std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  int length = static_cast<int>(text.size());
  int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::u16string wide(static_cast<size_t>(size), u'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, reinterpret_cast<wchar_t*>(wide.data()), size);
  return wide;
}

namespace {

// In place, in pieces whose length fits the DWORD the calls take.
std::string MappedCase(std::string_view text, DWORD(WINAPI* map)(LPSTR, DWORD)) {
  std::string buffer(text);
  constexpr size_t kMaxPiece = 0x7FFFFFFF;
  for (size_t at = 0; at < buffer.size(); at += kMaxPiece) {
    const size_t piece = buffer.size() - at < kMaxPiece ? buffer.size() - at : kMaxPiece;
    map(buffer.data() + at, static_cast<DWORD>(piece));
  }
  return buffer;
}

}  // namespace

std::string Win32SystemInfo::AnsiToUpper(std::string_view text) { return MappedCase(text, CharUpperBuffA); }

std::string Win32SystemInfo::AnsiToLower(std::string_view text) { return MappedCase(text, CharLowerBuffA); }

std::optional<std::string> Win32SystemInfo::LocaleInfo(uint32_t lcid, LocaleItem item) {
  auto type = static_cast<LCTYPE>(item);
  int size = GetLocaleInfoA(lcid, type, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::string text(static_cast<size_t>(size), '\0');
  int written = GetLocaleInfoA(lcid, type, text.data(), size);
  if (written <= 0) return std::nullopt;
  text.resize(static_cast<size_t>(written));
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

namespace {

// The folders the system names through its own calls rather than the shell.
std::optional<std::string> SystemFolder(SpecialFolder folder) {
  char buffer[MAX_PATH + 1] = {};
  UINT length = 0;
  if (folder == SpecialFolder::Windows) {
    length = GetWindowsDirectoryA(buffer, MAX_PATH);
  } else if (folder == SpecialFolder::System) {
    length = GetSystemDirectoryA(buffer, MAX_PATH);
  } else {
    // Looked up at run time: systems without WOW64 lack the call.
    using Wow64DirectoryFunction = UINT(WINAPI*)(LPSTR, UINT);
    auto wow64Directory =
        LookUpProcedure<Wow64DirectoryFunction>(GetModuleHandleA("kernel32.dll"), "GetSystemWow64DirectoryA");
    if (wow64Directory != nullptr) length = wow64Directory(buffer, MAX_PATH);
  }
  if (length == 0 || length > MAX_PATH) return std::nullopt;
  return WithTrailingBackslash(std::string(buffer, length));
}

}  // namespace

std::string Win32SystemInfo::ExpandEnvironmentReferences(std::string_view text) {
  const std::string source(text);
  const DWORD needed = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
  if (needed == 0) return source;
  std::string expanded(needed, '\0');
  const DWORD written = ExpandEnvironmentStringsA(source.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return source;
  expanded.resize(written - 1);  // the count includes the terminating zero
  return expanded;
}

std::optional<std::string> Win32SystemInfo::FolderPath(SpecialFolder folder) {
  if (folder == SpecialFolder::Windows || folder == SpecialFolder::System || folder == SpecialFolder::SystemWow64)
    return SystemFolder(folder);
  using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  HMODULE shell = LoadLibraryA("shell32.dll");
  auto getFolderPath = LookUpProcedure<GetFolderPathFunction>(shell, "SHGetFolderPathA");
  std::optional<std::string> found;
  char buffer[MAX_PATH + 1] = {};
  if (getFolderPath != nullptr && getFolderPath(nullptr, static_cast<int>(folder), nullptr, 0, buffer) == S_OK &&
      buffer[0] != '\0') {
    found = WithTrailingBackslash(buffer);
  }
  if (shell != nullptr) FreeLibrary(shell);
  return found;
}

bool Win32SystemInfo::IsAdministrator() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                0, 0, &administrators))
    return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}

bool Win32SystemInfo::IsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool known = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) != 0;
  CloseHandle(token);
  return known && elevation.TokenIsElevated != 0;
}

std::optional<std::string> Win32SystemInfo::SystemErrorText(uint32_t code) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return std::nullopt;
  std::string text(buffer, length);
  LocalFree(buffer);
  return text;
}

std::string Win32SystemInfo::ProcessAccountName() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  const bool read = size != 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) != 0;
  CloseHandle(token);
  if (!read) return {};
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  char name[256];
  char domain[256];
  DWORD nameLength = sizeof name;
  DWORD domainLength = sizeof domain;
  SID_NAME_USE use;
  if (!LookupAccountSidA(nullptr, sid, name, &nameLength, domain, &domainLength, &use)) return {};
  return std::string(domain) + "\\" + name;
}

std::string Win32SystemInfo::NewGuid() {
  using CreateGuidFunction = HRESULT(WINAPI*)(GUID*);
  HMODULE ole = LoadLibraryA("ole32.dll");
  auto createGuid = LookUpProcedure<CreateGuidFunction>(ole, "CoCreateGuid");
  GUID guid{};
  const bool made = createGuid != nullptr && createGuid(&guid) == S_OK;
  if (ole != nullptr) FreeLibrary(ole);
  if (!made) return {};
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

}  // namespace quarrix::platform::win32

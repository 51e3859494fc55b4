#include "platform/win32/Win32SystemInfo.h"

#include <climits>
#include <cstdio>
#include <cstring>
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

Win32SystemInfo::~Win32SystemInfo() {
  if (shell_ != nullptr) FreeLibrary(static_cast<HMODULE>(shell_));
}

std::optional<std::string> Win32SystemInfo::FolderPath(SpecialFolder folder) {
  if (folder == SpecialFolder::Windows || folder == SpecialFolder::System || folder == SpecialFolder::SystemWow64)
    return SystemFolder(folder);
  using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  std::call_once(shellLoaded_, [this] { shell_ = LoadLibraryA("shell32.dll"); });
  auto getFolderPath = LookUpProcedure<GetFolderPathFunction>(static_cast<HMODULE>(shell_), "SHGetFolderPathA");
  std::optional<std::string> found;
  char buffer[MAX_PATH + 1] = {};
  if (getFolderPath != nullptr && getFolderPath(nullptr, static_cast<int>(folder), nullptr, 0, buffer) == S_OK &&
      buffer[0] != '\0') {
    found = WithTrailingBackslash(buffer);
  }
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
  AccountParts account = ProcessAccount();
  if (account.name.empty() && account.domain.empty()) return {};
  return account.domain + "\\" + account.name;
}

AccountParts Win32SystemInfo::ProcessAccount() {
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
  return AccountParts{name, domain};
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

VersionReport Win32SystemInfo::ReportedVersion() {
  VersionReport report{};
  OSVERSIONINFOEXA extended{};
  extended.dwOSVersionInfoSize = sizeof(extended);
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended))) {
    report.platformId = extended.dwPlatformId;
    report.major = extended.dwMajorVersion;
    report.minor = extended.dwMinorVersion;
    report.build = extended.dwBuildNumber;
    report.servicePackText = extended.szCSDVersion;
    report.productType = extended.wProductType;
    return report;
  }
  OSVERSIONINFOA plain{};
  plain.dwOSVersionInfoSize = sizeof(plain);
  report.productType = 0;
  if (GetVersionExA(&plain)) {
    report.platformId = plain.dwPlatformId;
    report.major = plain.dwMajorVersion;
    report.minor = plain.dwMinorVersion;
    report.build = plain.dwBuildNumber;
    report.servicePackText = plain.szCSDVersion;
  }
  return report;
}

uint64_t Win32SystemInfo::PhysicalMemory() {
  MEMORYSTATUS status{};
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  return status.dwTotalPhys;
}

DisplayReport Win32SystemInfo::Display() {
  DisplayReport report;
  report.width = GetSystemMetrics(SM_CXSCREEN);
  report.height = GetSystemMetrics(SM_CYSCREEN);
  report.tabletPc = GetSystemMetrics(SM_TABLETPC) != 0;
  report.mediaCenter = GetSystemMetrics(SM_MEDIACENTER) != 0;
  report.colourBits = 0;
  report.dotsPerInch = -1;
  using CreateDcFunction = HDC(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, const DEVMODEA*);
  using DeviceCapsFunction = int(WINAPI*)(HDC, int);
  using DeleteDcFunction = BOOL(WINAPI*)(HDC);
  HMODULE gdi = LoadLibraryA("gdi32.dll");
  auto createDc = LookUpProcedure<CreateDcFunction>(gdi, "CreateDCA");
  auto deviceCaps = LookUpProcedure<DeviceCapsFunction>(gdi, "GetDeviceCaps");
  auto deleteDc = LookUpProcedure<DeleteDcFunction>(gdi, "DeleteDC");
  if (createDc != nullptr && deviceCaps != nullptr && deleteDc != nullptr) {
    if (HDC display = createDc("DISPLAY", nullptr, nullptr, nullptr)) {
      report.colourBits = deviceCaps(display, BITSPIXEL);
      deleteDc(display);
    }
    if (HDC screen = GetDC(nullptr)) {
      report.dotsPerInch = deviceCaps(screen, LOGPIXELSX);
      ReleaseDC(nullptr, screen);
    }
  }
  if (gdi != nullptr) FreeLibrary(gdi);
  return report;
}

std::optional<uint16_t> Win32SystemInfo::NativeProcessorArchitecture() {
  using NativeInfoFunction = void(WINAPI*)(SYSTEM_INFO*);
  auto nativeInfo = LookUpProcedure<NativeInfoFunction>(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo");
  if (nativeInfo == nullptr) return std::nullopt;
  SYSTEM_INFO info{};
  nativeInfo(&info);
  return info.wProcessorArchitecture;
}

bool Win32SystemInfo::Is64BitSystem() { return sizeof(void*) == 8 || ProcessUnderWow64(); }

bool Win32SystemInfo::ProcessUnderWow64() {
  using IsWow64Function = BOOL(WINAPI*)(HANDLE, BOOL*);
  auto isWow64 = LookUpProcedure<IsWow64Function>(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
  BOOL under = FALSE;
  return isWow64 != nullptr && isWow64(GetCurrentProcess(), &under) && under != FALSE;
}

namespace {

using RedirectionOffFunction = BOOL(WINAPI*)(PVOID*);
using RedirectionRevertFunction = BOOL(WINAPI*)(PVOID);

RedirectionOffFunction RedirectionOffCall() {
  return LookUpProcedure<RedirectionOffFunction>(GetModuleHandleA("kernel32.dll"), "Wow64DisableWow64FsRedirection");
}

RedirectionRevertFunction RedirectionRevertCall() {
  return LookUpProcedure<RedirectionRevertFunction>(GetModuleHandleA("kernel32.dll"),
                                                    "Wow64RevertWow64FsRedirection");
}

}  // namespace

bool Win32SystemInfo::HasRedirectionSwitch() { return RedirectionOffCall() != nullptr && RedirectionRevertCall() != nullptr; }

bool Win32SystemInfo::RedirectionOff(uintptr_t& oldValue) {
  auto off = RedirectionOffCall();
  PVOID old = nullptr;
  if (off == nullptr || !off(&old)) return false;
  oldValue = reinterpret_cast<uintptr_t>(old);
  return true;
}

bool Win32SystemInfo::RedirectionRestore(uintptr_t oldValue) {
  auto revert = RedirectionRevertCall();
  return revert != nullptr && revert(reinterpret_cast<PVOID>(oldValue));
}

bool Win32SystemInfo::TokenHasBuiltinGroup(uint32_t rid) {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return false;
  // The size the engine has always offered; a token with more groups is not read.
  constexpr DWORD kGroupsBuffer = 102400;
  std::vector<unsigned char> buffer(kGroupsBuffer);
  DWORD size = 0;
  const bool read = GetTokenInformation(token, TokenGroups, buffer.data(), kGroupsBuffer, &size) != 0;
  CloseHandle(token);
  if (!read) return false;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID wanted = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, rid, 0, 0, 0, 0, 0, 0, &wanted))
    return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  bool member = false;
  for (DWORD i = 0; i < groups->GroupCount && !member; ++i) member = EqualSid(wanted, groups->Groups[i].Sid) != 0;
  FreeSid(wanted);
  return member;
}

std::string Win32SystemInfo::LogonUserName() {
  char name[260] = {};
  DWORD length = sizeof name;
  if (!GetUserNameA(name, &length)) return {};
  return name;
}

std::string Win32SystemInfo::ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = sizeof name;
  if (!GetComputerNameA(name, &length)) return {};
  return std::string(name, length);
}

namespace {

// The version resource of a file in the system folder; empty when it has none.
std::vector<unsigned char> SystemFileVersionResource(std::string_view fileName, HMODULE version) {
  using SizeFunction = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  using InfoFunction = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
  auto infoSize = LookUpProcedure<SizeFunction>(version, "GetFileVersionInfoSizeA");
  auto info = LookUpProcedure<InfoFunction>(version, "GetFileVersionInfoA");
  char folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (infoSize == nullptr || info == nullptr || length == 0 || length > MAX_PATH) return {};
  const std::string path = WithTrailingBackslash(folder) + std::string(fileName);
  DWORD handle = 0;
  const DWORD size = infoSize(path.c_str(), &handle);
  if (size == 0) return {};
  std::vector<unsigned char> data(size);
  if (!info(path.c_str(), 0, size, data.data())) return {};
  return data;
}

// VerQueryValueA of a block of the resource; nothing when it is missing or shorter than wanted.
const void* VersionBlock(HMODULE version, std::vector<unsigned char>& resource, const char* block, UINT minimum) {
  using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  auto query = LookUpProcedure<QueryFunction>(version, "VerQueryValueA");
  void* value = nullptr;
  UINT length = 0;
  if (query == nullptr || resource.empty() || !query(resource.data(), block, &value, &length) || length < minimum)
    return nullptr;
  return value;
}

}  // namespace

std::optional<FileVersionParts> Win32SystemInfo::SystemFileVersion(std::string_view fileName) {
  HMODULE version = LoadLibraryA("version.dll");
  std::vector<unsigned char> resource = SystemFileVersionResource(fileName, version);
  std::optional<FileVersionParts> parts;
  if (const void* block = VersionBlock(version, resource, "\\", sizeof(VS_FIXEDFILEINFO))) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
    parts = FileVersionParts{static_cast<uint16_t>(fixed->dwFileVersionMS >> 16),
                             static_cast<uint16_t>(fixed->dwFileVersionMS & 0xFFFF),
                             static_cast<uint16_t>(fixed->dwFileVersionLS >> 16),
                             static_cast<uint16_t>(fixed->dwFileVersionLS & 0xFFFF)};
  }
  if (version != nullptr) FreeLibrary(version);
  return parts;
}

std::optional<uint16_t> Win32SystemInfo::SystemFileLanguage(std::string_view fileName) {
  HMODULE version = LoadLibraryA("version.dll");
  std::vector<unsigned char> resource = SystemFileVersionResource(fileName, version);
  std::optional<uint16_t> language;
  if (const void* block = VersionBlock(version, resource, "\\VarFileInfo\\Translation", sizeof(DWORD))) {
    DWORD entry = 0;
    std::memcpy(&entry, block, sizeof entry);
    language = static_cast<uint16_t>(entry & 0xFFFF);
  }
  if (version != nullptr) FreeLibrary(version);
  return language;
}

std::string Win32SystemInfo::LanguageName(uint32_t languageId) {
  char name[256] = {};
  // Wine counts the terminator in the returned length; the text ends at the first zero.
  if (VerLanguageNameA(languageId, name, sizeof name - 1) == 0) return {};
  return std::string(name);
}

namespace {

// The probe the vectored handler steps over when its instruction faults: the handler has no
// context pointer, so the thread keeps it.
struct FaultProbe {
  bool active = false;
  bool faulted = false;
  unsigned length = 0;
};
thread_local FaultProbe tProbe;

LONG CALLBACK StepOverProbe(EXCEPTION_POINTERS* exception) {
  if (!tProbe.active) return EXCEPTION_CONTINUE_SEARCH;
  const DWORD code = exception->ExceptionRecord->ExceptionCode;
  if (code != EXCEPTION_PRIV_INSTRUCTION && code != EXCEPTION_ILLEGAL_INSTRUCTION &&
      code != EXCEPTION_ACCESS_VIOLATION)
    return EXCEPTION_CONTINUE_SEARCH;
  tProbe.active = false;
  tProbe.faulted = true;
#if defined(__x86_64__)
  exception->ContextRecord->Rip += tProbe.length;
#elif defined(__i386__)
  exception->ContextRecord->Eip += tProbe.length;
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Runs probe with the handler in place; true when its instruction did not fault.
template <typename Probe>
bool RunsWithoutFault(unsigned instructionLength, Probe probe) {
  PVOID handler = AddVectoredExceptionHandler(1, StepOverProbe);
  if (handler == nullptr) return false;
  tProbe = FaultProbe{true, false, instructionLength};
  probe();
  const bool faulted = tProbe.faulted;
  tProbe.active = false;
  RemoveVectoredExceptionHandler(handler);
  return !faulted;
}

constexpr uint32_t kVmwareMagic = 0x564D5868;  // "VMXh"

}  // namespace

bool Win32SystemInfo::VmwareBackdoorAnswers() {
#if defined(__x86_64__) || defined(__i386__)
  uint32_t answer = 0;
  const bool ran = RunsWithoutFault(1, [&answer] {
    uint32_t eax = kVmwareMagic;
    uint32_t ebx = 0;
    uint32_t ecx = 10;  // get version
    uint32_t edx = 0x5658;
    // "in eax, dx": one byte, the length the handler steps over.
    __asm__ volatile(".byte 0xED" : "+a"(eax), "+b"(ebx), "+c"(ecx), "+d"(edx) : : "memory");
    answer = ebx;
  });
  return ran && answer == kVmwareMagic;
#else
  return false;
#endif
}

bool Win32SystemInfo::VirtualPcInstructionRuns() {
#if defined(__x86_64__) || defined(__i386__)
  return RunsWithoutFault(4, [] {
    uint32_t ebx = 0;
    __asm__ volatile(".byte 0x0F, 0x3F, 0x07, 0x0B" : "+b"(ebx) : : "eax", "ecx", "edx", "memory");
  });
#else
  return false;
#endif
}

}  // namespace quarrix::platform::win32

#pragma once
// What the engine asks of the running system and its own process.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarrix::platform {

struct WindowsVersion {
  uint32_t major = 10;
  uint32_t minor = 0;
  bool ntFamily = true;
};

// GetVersionEx's answer as the system gives it, compatibility shims included.
struct VersionReport {
  uint32_t platformId = 2;  // 2: NT family, 1: Windows 9x
  uint32_t major = 10;
  uint32_t minor = 0;
  uint32_t build = 19045;  // on 9x the packed field: version in the high word
  std::string servicePackText;  // szCSDVersion
  // wProductType: 1 workstation, 2 domain controller, 3 server; 0 when the extended record
  // could not be read.
  uint32_t productType = 1;
};

// The primary screen.
struct DisplayReport {
  int32_t width = 1920;   // SM_CXSCREEN
  int32_t height = 1080;  // SM_CYSCREEN
  int32_t colourBits = 32;  // BITSPIXEL of a "DISPLAY" device context; 0 when none is available
  int32_t dotsPerInch = 96;  // LOGPIXELSX of the screen's device context; -1 when none is available
  bool tabletPc = false;     // SM_TABLETPC
  bool mediaCenter = false;  // SM_MEDIACENTER
};

// A file's fixed version, most significant part first.
using FileVersionParts = std::array<uint16_t, 4>;

// An account split as the system names it.
struct AccountParts {
  std::string name;
  std::string domain;
};

// GetLocaleInfoA item codes the engine uses.
enum class LocaleItem : uint32_t {
  Language = 0x0001,          // LOCALE_ILANGUAGE, hexadecimal text
  EnglishLanguage = 0x1001,   // LOCALE_SENGLANGUAGE
  DefaultLanguage = 0x0009,   // LOCALE_IDEFAULTLANGUAGE, hexadecimal text
  ShortDate = 0x001F,         // LOCALE_SSHORTDATE
  LongTime = 0x1003,          // LOCALE_STIMEFORMAT
};
constexpr uint32_t kLocaleUserDefault = 0x0400;

// Shell folders the engine looks up (SHGetFolderPath with these CSIDL values).
enum class SpecialFolder : uint32_t {
  Documents = 0x0005,         // CSIDL_PERSONAL
  Desktop = 0x0010,           // CSIDL_DESKTOPDIRECTORY
  RoamingAppData = 0x001A,    // CSIDL_APPDATA
  LocalAppData = 0x001C,      // CSIDL_LOCAL_APPDATA
  CommonAppData = 0x0023,     // CSIDL_COMMON_APPDATA
  // The folders a script may ask for by number.
  DesktopRoot = 0x0000,       // CSIDL_DESKTOP
  Programs = 0x0002,          // CSIDL_PROGRAMS
  Favorites = 0x0006,         // CSIDL_FAVORITES
  Startup = 0x0007,           // CSIDL_STARTUP
  Recent = 0x0008,            // CSIDL_RECENT
  SendTo = 0x0009,            // CSIDL_SENDTO
  StartMenu = 0x000B,         // CSIDL_STARTMENU
  Music = 0x000D,             // CSIDL_MYMUSIC
  Videos = 0x000E,            // CSIDL_MYVIDEO
  NetHood = 0x0013,           // CSIDL_NETHOOD
  Fonts = 0x0014,             // CSIDL_FONTS
  Templates = 0x0015,         // CSIDL_TEMPLATES
  CommonStartMenu = 0x0016,   // CSIDL_COMMON_STARTMENU
  CommonPrograms = 0x0017,    // CSIDL_COMMON_PROGRAMS
  CommonStartup = 0x0018,     // CSIDL_COMMON_STARTUP
  CommonDesktop = 0x0019,     // CSIDL_COMMON_DESKTOPDIRECTORY
  PrintHood = 0x001B,         // CSIDL_PRINTHOOD
  CommonFavorites = 0x001F,   // CSIDL_COMMON_FAVORITES
  InternetCache = 0x0020,     // CSIDL_INTERNET_CACHE
  Cookies = 0x0021,           // CSIDL_COOKIES
  Windows = 0x0024,           // CSIDL_WINDOWS: GetWindowsDirectory
  System = 0x0025,            // CSIDL_SYSTEM: GetSystemDirectory
  Pictures = 0x0027,          // CSIDL_MYPICTURES
  Profile = 0x0028,           // CSIDL_PROFILE
  // GetSystemWow64Directory: the 32-bit system folder of a 64-bit system; nothing elsewhere.
  SystemWow64 = 0x0029,
  CommonAdminTools = 0x002F,  // CSIDL_COMMON_ADMINTOOLS
  AdminTools = 0x0030,        // CSIDL_ADMINTOOLS
  CommonDocuments = 0x002E,   // CSIDL_COMMON_DOCUMENTS
  CommonMusic = 0x0035,       // CSIDL_COMMON_MUSIC
  CommonPictures = 0x0036,    // CSIDL_COMMON_PICTURES
  CommonVideos = 0x0037,      // CSIDL_COMMON_VIDEO
  CdBurnArea = 0x003B,        // CSIDL_CDBURN_AREA
  Profiles = 0x003E,          // CSIDL_PROFILES
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;

  virtual WindowsVersion Version() = 0;
  // The running executable as the engine names it: the ANSI module file name, or its short
  // 8.3 form when the ANSI name cannot represent every character.
  virtual std::string ExecutablePath() = 0;
  // The whole command line as GetCommandLine returns it, program name included.
  virtual std::string CommandLine() = 0;
  // The system temporary folder, with trailing backslash.
  virtual std::string TempPath() = 0;
  // SetProcessAffinityMask(current process, 1) when the system offers it.
  virtual void BindToFirstProcessor() = 0;
  // The ANSI code page's text as UTF-16 code units (MultiByteToWideChar with CP_ACP).
  virtual std::u16string AnsiToWide(std::string_view text) = 0;
  // Text of another code page as UTF-16 (MultiByteToWideChar with that code page).
  virtual std::u16string CodePageToWide(uint32_t, std::string_view text) { return AnsiToWide(text); }
  // The ANSI code page's case mapping (CharUpperBuffA, CharLowerBuffA): a letter changes only
  // where its counterpart is in the code page; the length never changes. (Not AnsiUpper: that
  // name is a macro of <windows.h>.)
  virtual std::string AnsiToUpper(std::string_view text) = 0;
  virtual std::string AnsiToLower(std::string_view text) = 0;
  // GetLocaleInfoA; nothing when the call fails.
  virtual std::optional<std::string> LocaleInfo(uint32_t lcid, LocaleItem item) = 0;
  // The folder with trailing backslash; nothing when the system knows none.
  virtual std::optional<std::string> FolderPath(SpecialFolder folder) = 0;
  // The groups of the process token include the local Administrators group (RID 544).
  virtual bool IsAdministrator() = 0;
  // The process token is elevated (TokenElevation); false where the system has no such notion.
  virtual bool IsElevated() = 0;
  // A new globally unique identifier in braces ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}").
  virtual std::string NewGuid() = 0;
  // The system's text for an error code (FormatMessage from the system table, inserts
  // ignored), as the system writes it; nothing when it has none.
  virtual std::optional<std::string> SystemErrorText(uint32_t code) = 0;
  // The account of the process token as "DOMAIN\user"; empty when it cannot be looked up.
  virtual std::string ProcessAccountName() = 0;

  virtual VersionReport ReportedVersion() = 0;
  // Total physical memory in bytes as GlobalMemoryStatus reports it (a 32-bit process sees at
  // most 4 GB less one byte).
  virtual uint64_t PhysicalMemory() = 0;
  virtual DisplayReport Display() = 0;
  // wProcessorArchitecture of GetNativeSystemInfo; nothing on systems without that call.
  virtual std::optional<uint16_t> NativeProcessorArchitecture() = 0;
  // The machine runs a 64-bit Windows, whatever this process is built for.
  virtual bool Is64BitSystem() = 0;
  // IsWow64Process says this process is a 32-bit one on a 64-bit system; false without the call.
  virtual bool ProcessUnderWow64() = 0;
  // Wow64DisableWow64FsRedirection and Wow64RevertWow64FsRedirection are offered by the system.
  virtual bool HasRedirectionSwitch() = 0;
  // Switches file-system redirection off for the calling thread; the system's token for the
  // old state goes into oldValue. False when the system refuses.
  virtual bool RedirectionOff(uintptr_t& oldValue) = 0;
  virtual bool RedirectionRestore(uintptr_t oldValue) = 0;
  // The thread's token (the process token when the thread has none) lists the group
  // S-1-5-32-rid, deny-only entries included. False when the token cannot be read.
  virtual bool TokenHasBuiltinGroup(uint32_t rid) = 0;
  // The user of the process token as LookupAccountSid names it; empty parts on failure.
  virtual AccountParts ProcessAccount() = 0;
  // GetUserName; empty on failure.
  virtual std::string LogonUserName() = 0;
  // GetComputerName; empty on failure.
  virtual std::string ComputerName() = 0;
  // The fixed version and the first translation's language of a file in the system folder.
  virtual std::optional<FileVersionParts> SystemFileVersion(std::string_view fileName) = 0;
  virtual std::optional<uint16_t> SystemFileLanguage(std::string_view fileName) = 0;
  // VerLanguageName.
  virtual std::string LanguageName(uint32_t languageId) = 0;
  // The hypervisor backdoor port answers with its magic value (VMware guests).
  virtual bool VmwareBackdoorAnswers() = 0;
  // The guest instruction of Virtual PC executes without a fault.
  virtual bool VirtualPcInstructionRuns() = 0;
};

}  // namespace quarrix::platform

#pragma once
// The simulated system: every answer is a field a test or qx may set.
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/SystemInfo.h"

namespace quarrix::platform::sim {

class SimSystemInfo : public SystemInfo {
 public:
  SimSystemInfo();

  WindowsVersion version;
  std::string executablePath = "C:\\Setup\\setup.exe";
  std::string commandLine = "\"C:\\Setup\\setup.exe\"";
  std::string tempPath = "C:\\Users\\User\\AppData\\Local\\Temp\\";
  bool boundToFirstProcessor = false;
  // Keyed by (lcid, item); kLocaleUserDefault answers for the user's locale.
  std::map<std::pair<uint32_t, LocaleItem>, std::string> locale;
  // Shell folders with trailing backslash; a missing entry is a folder the system does not know.
  std::map<SpecialFolder, std::string> folders = {
      {SpecialFolder::Documents, "C:\\Users\\User\\Documents\\"},
      {SpecialFolder::Desktop, "C:\\Users\\User\\Desktop\\"},
      {SpecialFolder::RoamingAppData, "C:\\Users\\User\\AppData\\Roaming\\"},
      {SpecialFolder::LocalAppData, "C:\\Users\\User\\AppData\\Local\\"},
      {SpecialFolder::CommonAppData, "C:\\ProgramData\\"},
      {SpecialFolder::DesktopRoot, "C:\\Users\\User\\Desktop\\"},
      {SpecialFolder::Programs, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\"},
      {SpecialFolder::Favorites, "C:\\Users\\User\\Favorites\\"},
      {SpecialFolder::Startup, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\"},
      {SpecialFolder::Recent, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\"},
      {SpecialFolder::SendTo, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\SendTo\\"},
      {SpecialFolder::StartMenu, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\"},
      {SpecialFolder::Music, "C:\\Users\\User\\Music\\"},
      {SpecialFolder::Videos, "C:\\Users\\User\\Videos\\"},
      {SpecialFolder::NetHood, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts\\"},
      {SpecialFolder::Fonts, "C:\\Windows\\Fonts\\"},
      {SpecialFolder::Templates, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Templates\\"},
      {SpecialFolder::CommonStartMenu, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\"},
      {SpecialFolder::CommonPrograms, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"},
      {SpecialFolder::CommonStartup, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\"},
      {SpecialFolder::CommonDesktop, "C:\\Users\\Public\\Desktop\\"},
      {SpecialFolder::PrintHood, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Printer Shortcuts\\"},
      {SpecialFolder::CommonFavorites, "C:\\Users\\User\\Favorites\\"},
      {SpecialFolder::InternetCache, "C:\\Users\\User\\AppData\\Local\\Microsoft\\Windows\\INetCache\\"},
      {SpecialFolder::Cookies, "C:\\Users\\User\\AppData\\Local\\Microsoft\\Windows\\INetCookies\\"},
      {SpecialFolder::Windows, "C:\\Windows\\"},
      {SpecialFolder::System, "C:\\Windows\\system32\\"},
      {SpecialFolder::SystemWow64, "C:\\Windows\\SysWOW64\\"},
      {SpecialFolder::Pictures, "C:\\Users\\User\\Pictures\\"},
      {SpecialFolder::Profile, "C:\\Users\\User\\"},
      {SpecialFolder::CommonAdminTools, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools\\"},
      {SpecialFolder::AdminTools, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools\\"},
      {SpecialFolder::CommonDocuments, "C:\\Users\\Public\\Documents\\"},
      {SpecialFolder::CommonMusic, "C:\\Users\\Public\\Music\\"},
      {SpecialFolder::CommonPictures, "C:\\Users\\Public\\Pictures\\"},
      {SpecialFolder::CommonVideos, "C:\\Users\\Public\\Videos\\"},
      {SpecialFolder::CdBurnArea, "C:\\Users\\User\\AppData\\Local\\Microsoft\\Windows\\Burn\\Burn\\"},
      {SpecialFolder::Profiles, "C:\\Users\\"},
  };
  bool administrator = true;
  bool elevated = true;

  // Makes the user's locale that of a language id (for example 0x0407 for German).
  void SetUserLanguage(uint32_t languageId);
  // The language id of the user's locale; 0 when it reads as none.
  uint32_t UserLanguage() const;

  WindowsVersion Version() override { return version; }
  std::string ExecutablePath() override { return executablePath; }
  std::string CommandLine() override { return commandLine; }
  std::string TempPath() override { return tempPath; }
  void BindToFirstProcessor() override { boundToFirstProcessor = true; }
  // The simulated machine's ANSI code page is 1252.
  std::u16string AnsiToWide(std::string_view text) override;
  std::string AnsiToUpper(std::string_view text) override;
  std::string AnsiToLower(std::string_view text) override;
  std::optional<std::string> LocaleInfo(uint32_t lcid, LocaleItem item) override;
  std::optional<std::string> FolderPath(SpecialFolder folder) override;
  bool IsAdministrator() override { return administrator; }
  bool IsElevated() override { return elevated; }
  // Distinct and repeatable: the counter's value in the last group.
  std::string NewGuid() override;
  uint64_t guidsMade = 0;
  // The system's texts of the error codes the installer answers with, as FormatMessage writes
  // them (line break included); a code missing here has no text.
  std::map<uint32_t, std::string> errorTexts = {
      {1602, "User cancelled installation.\r\n"},
      {1603, "Fatal error during installation.\r\n"},
      {1605, "This action is only valid for products that are currently installed.\r\n"},
      {1618, "Another installation is already in progress. Complete that installation before proceeding with "
             "this install.\r\n"},
      {1619, "This installation package could not be opened. Verify that the package exists and that you can "
             "access it, or contact the application vendor to verify that this is a valid Windows Installer "
             "package.\r\n"},
  };
  std::string accountName = "SIMULATED\\User";
  std::optional<std::string> SystemErrorText(uint32_t code) override;
  std::string ProcessAccountName() override { return accountName; }

  // A 32-bit engine on a 64-bit Windows 10 workstation in English unless a
  // test or the machine folder says otherwise.
  VersionReport versionReport;
  uint64_t physicalMemory = uint64_t{8192} << 20;
  DisplayReport display;
  std::optional<uint16_t> nativeArchitecture = 9;  // AMD64
  bool system64Bit = true;
  bool processWow64 = true;
  bool redirectionSwitch = true;
  // Built-in groups (RIDs) of the process token.
  std::set<uint32_t> builtinGroups = {0x220, 0x221};
  AccountParts account = {"User", "SIMULATED"};
  std::string logonUserName = "User";
  std::string computerName = "SIMULATED-PC";
  // Files of the system folder by lower-case name: fixed version and first translation language.
  struct SystemFile {
    FileVersionParts version{};
    uint16_t language = 0x0409;
  };
  std::map<std::string, SystemFile> systemFiles = {
      {"winver.exe", {{10, 0, 19041, 1}, 0x0409}},
      {"shdocvw.dll", {{11, 0, 19041, 1}, 0x0409}},
  };
  bool vmwareGuest = false;
  bool virtualPcGuest = false;

  VersionReport ReportedVersion() override { return versionReport; }
  uint64_t PhysicalMemory() override { return physicalMemory; }
  DisplayReport Display() override { return display; }
  std::optional<uint16_t> NativeProcessorArchitecture() override { return nativeArchitecture; }
  bool Is64BitSystem() override { return system64Bit; }
  bool ProcessUnderWow64() override { return processWow64; }
  bool HasRedirectionSwitch() override { return redirectionSwitch; }
  // Redirection is a state of the calling thread, as on Windows; only a WOW64 process has it.
  bool RedirectionOff(uintptr_t& oldValue) override;
  bool RedirectionRestore(uintptr_t oldValue) override;
  bool RedirectionOffOnThisThread();
  bool TokenHasBuiltinGroup(uint32_t rid) override { return builtinGroups.count(rid) != 0; }
  AccountParts ProcessAccount() override { return account; }
  std::string LogonUserName() override { return logonUserName; }
  std::string ComputerName() override { return computerName; }
  std::optional<FileVersionParts> SystemFileVersion(std::string_view fileName) override;
  std::optional<uint16_t> SystemFileLanguage(std::string_view fileName) override;
  // English names of the languages the simulated machine knows; "Language Neutral" for 0.
  std::string LanguageName(uint32_t languageId) override;
  bool VmwareBackdoorAnswers() override { return vmwareGuest; }
  bool VirtualPcInstructionRuns() override { return virtualPcGuest; }

 private:
  std::mutex redirectionLock_;
  std::set<std::thread::id> redirectionOff_;
};

}  // namespace quarrix::platform::sim

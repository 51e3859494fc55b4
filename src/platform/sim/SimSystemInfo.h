#pragma once
// The simulated system: every answer is a field a test or qx may set.
#include <map>
#include <string>

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
  };
  bool administrator = true;
  bool elevated = true;

  // Makes the user's locale that of a language id (for example 0x0407 for German).
  void SetUserLanguage(uint32_t languageId);

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
};

}  // namespace quarrix::platform::sim

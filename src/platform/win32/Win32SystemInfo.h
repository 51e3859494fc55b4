#pragma once
// Answers of the running Windows system and process.
#include "platform/SystemInfo.h"

namespace quarrix::platform::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  // RtlGetVersion tells the truth where GetVersionEx is subject to compatibility shims.
  WindowsVersion Version() override;
  std::string ExecutablePath() override;
  std::string CommandLine() override;
  std::string TempPath() override;
  void BindToFirstProcessor() override;
  std::u16string AnsiToWide(std::string_view text) override;
  std::u16string CodePageToWide(uint32_t codePage, std::string_view text) override;
  // CharUpperBuffA and CharLowerBuffA: the rules of the machine's ANSI code page.
  std::string AnsiToUpper(std::string_view text) override;
  std::string AnsiToLower(std::string_view text) override;
  std::optional<std::string> LocaleInfo(uint32_t lcid, LocaleItem item) override;
  // SHGetFolderPathA, looked up at run time so that systems without it answer "unknown".
  std::optional<std::string> FolderPath(SpecialFolder folder) override;
  std::string ExpandEnvironmentReferences(std::string_view text) override;
  bool IsAdministrator() override;
  bool IsElevated() override;
  // CoCreateGuid, looked up at run time.
  std::string NewGuid() override;
  std::optional<std::string> SystemErrorText(uint32_t code) override;
  std::string ProcessAccountName() override;
};

}  // namespace quarrix::platform::win32

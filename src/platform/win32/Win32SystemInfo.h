#pragma once
// Answers of the running Windows system and process.
#include <mutex>

#include "platform/SystemInfo.h"

namespace quarrix::platform::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  Win32SystemInfo() = default;
  ~Win32SystemInfo() override;
  Win32SystemInfo(const Win32SystemInfo&) = delete;
  Win32SystemInfo& operator=(const Win32SystemInfo&) = delete;

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
  // SHGetFolderPathA, looked up at run time so that systems without it answer "unknown"; shell32
  // stays loaded after the first call (a run asks for several folders, and loading and unloading
  // shell32 with its dependencies each time costs milliseconds).
  std::optional<std::string> FolderPath(SpecialFolder folder) override;
  bool IsAdministrator() override;
  bool IsElevated() override;
  // CoCreateGuid, looked up at run time.
  std::string NewGuid() override;
  std::optional<std::string> SystemErrorText(uint32_t code) override;
  std::string ProcessAccountName() override;

  // GetVersionExA with the extended record, the plain one where that is refused.
  VersionReport ReportedVersion() override;
  uint64_t PhysicalMemory() override;
  // The device-context calls of gdi32 are looked up at run time.
  DisplayReport Display() override;
  std::optional<uint16_t> NativeProcessorArchitecture() override;
  // A 64-bit build runs only on a 64-bit system; a 32-bit one knows through IsWow64Process.
  bool Is64BitSystem() override;
  bool ProcessUnderWow64() override;
  // The redirection calls are looked up in kernel32 at run time; in a 64-bit process they act
  // as the system makes them act there.
  bool HasRedirectionSwitch() override;
  bool RedirectionOff(uintptr_t& oldValue) override;
  bool RedirectionRestore(uintptr_t oldValue) override;
  bool TokenHasBuiltinGroup(uint32_t rid) override;
  AccountParts ProcessAccount() override;
  std::string LogonUserName() override;
  std::string ComputerName() override;
  // version.dll is looked up at run time.
  std::optional<FileVersionParts> SystemFileVersion(std::string_view fileName) override;
  std::optional<uint16_t> SystemFileLanguage(std::string_view fileName) override;
  std::string LanguageName(uint32_t languageId) override;
  // Both execute their instruction under a vectored exception handler that steps over it when
  // it faults.
  bool VmwareBackdoorAnswers() override;
  bool VirtualPcInstructionRuns() override;

 private:
  std::once_flag shellLoaded_;  // workers may ask for folders too
  void* shell_ = nullptr;       // shell32's module, once FolderPath has loaded it
};

}  // namespace quarrix::platform::win32

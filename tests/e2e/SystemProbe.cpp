// Asks the running system through the engine's win32 backend what the engine's 64-bit mode
// rests on, and reports it as "key value" lines in a file (output of a program under Wine is not
// piped back reliably).
//   system-probe REPORT
// Exits 0 when the report could be written.
#include <cstdio>
#include <string>

#include "platform/win32/Win32SystemInfo.h"

using quarrix::platform::win32::Win32SystemInfo;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::FILE* report = std::fopen(argv[1], "w");
  if (report == nullptr) return 1;
  Win32SystemInfo system;
  const auto line = [report](const char* key, const std::string& value) {
    std::fprintf(report, "%s %s\n", key, value.c_str());
  };
  const auto truth = [](bool value) { return std::string(value ? "1" : "0"); };
  line("pointer-bits", std::to_string(sizeof(void*) * 8));
  line("system-64-bit", truth(system.Is64BitSystem()));
  line("process-wow64", truth(system.ProcessUnderWow64()));
  line("redirection-switch", truth(system.HasRedirectionSwitch()));
  uintptr_t old = 0;
  const bool off = system.RedirectionOff(old);
  line("redirection-off", truth(off));
  if (off) line("redirection-restored", truth(system.RedirectionRestore(old)));
  const auto architecture = system.NativeProcessorArchitecture();
  line("architecture", architecture ? std::to_string(*architecture) : "none");
  const auto version = system.ReportedVersion();
  line("version", std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                      std::to_string(version.build));
  line("service-pack", "\"" + version.servicePackText + "\"");
  line("product-type", std::to_string(version.productType));
  const auto shell = system.SystemFileVersion("shdocvw.dll");
  line("shdocvw", shell ? std::to_string((*shell)[0]) + "." + std::to_string((*shell)[1]) + "." +
                              std::to_string((*shell)[2]) + "." + std::to_string((*shell)[3])
                        : "none");
  line("language", std::to_string(system.SystemFileLanguage("winver.exe").value_or(0)));
  line("language-name", "\"" + system.LanguageName(system.SystemFileLanguage("winver.exe").value_or(0)) + "\"");
  line("memory-mb", std::to_string(system.PhysicalMemory() >> 20));
  const auto display = system.Display();
  line("screen", std::to_string(display.width) + "x" + std::to_string(display.height) + "x" +
                     std::to_string(display.colourBits) + "@" + std::to_string(display.dotsPerInch));
  line("administrators", truth(system.TokenHasBuiltinGroup(0x220)));
  line("users", truth(system.TokenHasBuiltinGroup(0x221)));
  const auto account = system.ProcessAccount();
  line("account", account.domain + "\\" + account.name);
  line("logon-name", system.LogonUserName());
  line("computer-name", system.ComputerName());
  line("vmware", truth(system.VmwareBackdoorAnswers()));
  line("virtual-pc", truth(system.VirtualPcInstructionRuns()));
  return std::fclose(report) == 0 ? 0 : 1;
}

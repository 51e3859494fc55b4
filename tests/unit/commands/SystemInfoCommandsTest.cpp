#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commands/CommandRunner.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;
using platform::RegistryView;
using platform::sim::SimMachine;
using testing::CommandRunner;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

constexpr uint64_t kMb = uint64_t{1} << 20;

void Windows9x(SimMachine& m, uint32_t minor, uint32_t build) {
  m.system.versionReport = {1, 4, minor, build, "", 0};
}

void Windows(SimMachine& m, uint32_t major, uint32_t minor, const std::string& servicePack, uint32_t productType) {
  m.system.versionReport = {2, major, minor, 7600, servicePack, productType};
}

void WriteHklm(SimMachine& m, const std::string& key, const std::string& name, const RegistryValue& value,
               RegistryView view = RegistryView::Force32) {
  m.registry.WriteValue(RegistryRoot::LocalMachine, key, name, value, view);
}

struct SettingCase {
  const char* what;
  std::function<void(SimMachine&)> machine;
  int setting;
  std::string expected;
};

TEST(GetSystemSettings, AnswersFromTheMachine) {
  const auto nothing = [](SimMachine&) {};
  const std::string iis = "SOFTWARE\\Microsoft\\INetStp";
  const std::string browser = "SOFTWARE\\Microsoft\\Internet Explorer";
  const auto webServer = [&](uint32_t major, uint32_t minor) {
    return [=](SimMachine& m) {
      WriteHklm(m, iis, "MajorVersion", RegistryValue::Number(major));
      WriteHklm(m, iis, "MinorVersion", RegistryValue::Number(minor));
    };
  };
  const auto browserVersion = [&](const std::string& version) {
    return [=](SimMachine& m) { WriteHklm(m, browser, "Version", RegistryValue::Text(version)); };
  };
  const auto shellView = [](platform::FileVersionParts version) {
    return [=](SimMachine& m) { m.system.systemFiles["shdocvw.dll"].version = version; };
  };
  const auto groups = [](std::set<uint32_t> rids) { return [=](SimMachine& m) { m.system.builtinGroups = rids; }; };
  const auto screen = [](int32_t width, int32_t height) {
    return [=](SimMachine& m) {
      m.system.display.width = width;
      m.system.display.height = height;
    };
  };
  const std::vector<SettingCase> cases = {
      {"an administrator", nothing, 0, "TRUE"},
      {"not in the administrators group", groups({0x221}), 0, "FALSE"},
      {"9x users are all administrators", [](SimMachine& m) { Windows9x(m, 10, 0); m.system.builtinGroups = {}; },
       0, "TRUE"},
      {"30 MB pass for 32 MB", [](SimMachine& m) { m.system.physicalMemory = 30 * kMb; }, 1, "TRUE"},
      {"a byte less does not", [](SimMachine& m) { m.system.physicalMemory = 30 * kMb - 1; }, 1, "FALSE"},
      {"2046 MB pass for 2 GB", [](SimMachine& m) { m.system.physicalMemory = 2046 * kMb; }, 7, "TRUE"},
      {"an upright screen counts", screen(768, 1024), 9, "TRUE"},
      {"one line short", screen(1024, 767), 9, "FALSE"},
      {"1920x1440", screen(1920, 1440), 12, "TRUE"},
      {"16-bit colour is not 24", [](SimMachine& m) { m.system.display.colourBits = 16; }, 15, "FALSE"},
      {"no display context", [](SimMachine& m) { m.system.display.colourBits = 0; }, 13, "FALSE"},
      {"9x", [](SimMachine& m) { Windows9x(m, 90, 0); }, 17, "TRUE"},
      {"NT", nothing, 18, "TRUE"},
      {"NT is not 9x", nothing, 17, "FALSE"},
      {"2000 is 5.0", [](SimMachine& m) { Windows(m, 5, 0, "", 1); }, 24, "TRUE"},
      {"2000 is not 5.1", [](SimMachine& m) { Windows(m, 5, 0, "", 1); }, 25, "FALSE"},
      {"98 SE counts as 4.11", [](SimMachine& m) { Windows9x(m, 10, 0x040A08AE); }, 21, "TRUE"},
      {"98 does not", [](SimMachine& m) { Windows9x(m, 10, 0x040A08AD); }, 21, "FALSE"},
      {"version tests ignore the platform", [](SimMachine& m) { Windows9x(m, 90, 0); }, 22, "TRUE"},
      {"service pack 10 is at least 6", [](SimMachine& m) { Windows(m, 5, 1, "Service Pack 10", 1); }, 32, "TRUE"},
      {"service pack 2 is not 3", [](SimMachine& m) { Windows(m, 5, 1, "Service Pack 2", 1); }, 29, "FALSE"},
      {"user interface language", [](SimMachine& m) { m.system.systemFiles["winver.exe"].language = 0x0407; }, 33,
       "1031"},
      {"its name", [](SimMachine& m) { m.system.systemFiles["winver.exe"].language = 0x0407; }, 34, "German"},
      {"no version program", [](SimMachine& m) { m.system.systemFiles.erase("winver.exe"); }, 33, "0"},
      {"registered owner",
       [](SimMachine& m) {
         WriteHklm(m, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner", RegistryValue::Text("Ann"));
       },
       35, "Ann"},
      {"9x keeps it elsewhere",
       [](SimMachine& m) {
         Windows9x(m, 10, 0);
         WriteHklm(m, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "RegisteredOrganization",
                   RegistryValue::Text("Acme"));
       },
       36, "Acme"},
      {"browser shell exactly 6.0.2800.1106", shellView({6, 0, 2800, 1106}), 37, "TRUE"},
      {"one build older", shellView({6, 0, 2800, 1105}), 37, "FALSE"},
      {"still newer than 6.0.2600.0", shellView({6, 0, 2800, 1105}), 38, "TRUE"},
      {"no shell file", [](SimMachine& m) { m.system.systemFiles.erase("shdocvw.dll"); }, 52, "FALSE"},
      {"web server 7.5", webServer(7, 5), 80, "TRUE"},
      {"7.0 is not 7.5", webServer(7, 0), 80, "FALSE"},
      {"7.0 is at least 6.0", webServer(7, 0), 53, "TRUE"},
      {"7.0 is 7.0", webServer(7, 0), 73, "TRUE"},
      {"a version without its minor part",
       [&](SimMachine& m) { WriteHklm(m, iis, "MajorVersion", RegistryValue::Number(6)); }, 58, "FALSE"},
      {"no web server", nothing, 58, "FALSE"},
      {"the web server key of the 64-bit view is not read",
       [&](SimMachine& m) {
         WriteHklm(m, iis, "MajorVersion", RegistryValue::Number(7), RegistryView::Force64);
         WriteHklm(m, iis, "MinorVersion", RegistryValue::Number(5), RegistryView::Force64);
       },
       53, "FALSE"},
      {"account name", nothing, 60, "User"},
      {"computer name", [](SimMachine& m) { m.system.computerName = "A-VERY-LONG-COMPUTER-NAME"; }, 61,
       "A-VERY-LONG-COM"},
      {"account domain", nothing, 62, "SIMULATED"},
      {"9x has no domain", [](SimMachine& m) { Windows9x(m, 10, 0); }, 62, ""},
      {"9x names the logon user", [](SimMachine& m) { Windows9x(m, 10, 0); m.system.logonUserName = "Bob"; }, 60,
       "Bob"},
      {"group ladder: administrator", nothing, 63, "ADMIN"},
      {"power user before user", groups({0x221, 0x223}), 63, "POWER"},
      {"guest", groups({0x222}), 63, "GUEST"},
      {"no group", groups({}), 63, "ERROR"},
      {"9x is always ADMIN", [](SimMachine& m) { Windows9x(m, 0, 0); m.system.builtinGroups = {}; }, 63, "ADMIN"},
      {"dots per inch", [](SimMachine& m) { m.system.display.dotsPerInch = 120; }, 64, "120"},
      {"no screen context", [](SimMachine& m) { m.system.display.dotsPerInch = -1; }, 64, "-1"},
      {"64-bit Windows", nothing, 65, "TRUE"},
      {"the 64-bit build on 64-bit Windows", [](SimMachine& m) { m.system.processWow64 = false; }, 65, "TRUE"},
      {"32-bit Windows", [](SimMachine& m) { m.system.system64Bit = m.system.processWow64 = false; }, 65, "FALSE"},
      {"tablet", [](SimMachine& m) { m.system.display.tabletPc = true; }, 66, "TRUE"},
      {"no media center", nothing, 67, "FALSE"},
      {"2008 R2 is a server", [](SimMachine& m) { Windows(m, 6, 1, "", 3); }, 68, "TRUE"},
      {"a domain controller is a server", [](SimMachine& m) { Windows(m, 6, 1, "", 2); }, 68, "TRUE"},
      {"a workstation is not", nothing, 68, "FALSE"},
      {"Vista is 6.0", [](SimMachine& m) { Windows(m, 6, 0, "", 1); }, 69, "TRUE"},
      {"XP is not", [](SimMachine& m) { Windows(m, 5, 1, "", 1); }, 69, "FALSE"},
      {"VMware", [](SimMachine& m) { m.system.vmwareGuest = true; }, 70, "TRUE"},
      {"Virtual PC", [](SimMachine& m) { m.system.virtualPcGuest = true; }, 71, "TRUE"},
      {"no virtual machine", nothing, 74, "TRUE"},
      {"inside VMware", [](SimMachine& m) { m.system.vmwareGuest = true; }, 74, "FALSE"},
      {"inside Virtual PC", [](SimMachine& m) { m.system.virtualPcGuest = true; }, 74, "FALSE"},
      {"browser exactly 7.0.5730.11", browserVersion("7.0.5730.11"), 72, "TRUE"},
      {"browser one build older", browserVersion("7.0.5730.10"), 72, "FALSE"},
      {"missing parts count as 0", browserVersion("7.0.5730"), 72, "FALSE"},
      {"a higher major part decides", browserVersion("8"), 72, "TRUE"},
      {"unreadable parts count as 0", browserVersion("7.x.5730.11"), 72, "TRUE"},
      {"browser 8.0.6001.18702", browserVersion("8.0.6001.18702"), 78, "TRUE"},
      {"no browser", nothing, 78, "FALSE"},
      {"AMD64", nothing, 75, "AMD64"},
      {"IA64", [](SimMachine& m) { m.system.nativeArchitecture = 6; }, 75, "IA64"},
      {"x86", [](SimMachine& m) { m.system.nativeArchitecture = 0; }, 75, "X86"},
      {"ARM64 is unknown", [](SimMachine& m) { m.system.nativeArchitecture = 12; }, 75, "UNKNOWN"},
      {"no native system call", [](SimMachine& m) { m.system.nativeArchitecture.reset(); }, 75, "X86"},
      {"2008 with service pack 1", [](SimMachine& m) { Windows(m, 6, 0, "Service Pack 1", 3); }, 76, "TRUE"},
      {"2008 R2 without service pack", [](SimMachine& m) { Windows(m, 6, 1, "", 3); }, 76, "FALSE"},
      {"Vista SP1 is no server", [](SimMachine& m) { Windows(m, 6, 0, "Service Pack 1", 1); }, 76, "FALSE"},
      {"not elevated", [](SimMachine& m) { m.system.elevated = false; }, 77, "FALSE"},
      {"Seven is 6.1", [](SimMachine& m) { Windows(m, 6, 1, "", 1); }, 79, "TRUE"},
      {"Vista is not", [](SimMachine& m) { Windows(m, 6, 0, "", 1); }, 79, "FALSE"},
      {"an unknown setting", nothing, 81, ""},
      {"a negative setting", nothing, -1, ""},
  };
  for (const SettingCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ", setting " + std::to_string(c.setting));
    CommandRunner runner(Script("Get System Settings: result " + std::to_string(c.setting) + "\n"));
    c.machine(runner.temp.machine);
    runner.RunAll();
    EXPECT_EQ(runner.Var("RESULT"), c.expected);
  }
}

TEST(GetSystemSettings, RegisteredOwnerIsReadInTheViewOfThePlatformModeOnA64BitSystem) {
  struct Case {
    const char* lines;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"Get System Settings: OWNER 35\n", "Owner32"},
      {"Set 64 Bit Mode: FALSE FALSE TRUE\nGet System Settings: OWNER 35\n", "Owner64"},
      {"Set 64 Bit Mode: FALSE FALSE TRUE\nSet 64 Bit Mode: TRUE FALSE FALSE\nGet System Settings: OWNER 35\n",
       "Owner32"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    CommandRunner runner(Script(std::string(c.lines) + "Get System Settings: BITS 65\n"));
    const std::string key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    WriteHklm(runner.temp.machine, key, "RegisteredOwner", RegistryValue::Text("Owner32"), RegistryView::Force32);
    WriteHklm(runner.temp.machine, key, "RegisteredOwner", RegistryValue::Text("Owner64"), RegistryView::Force64);
    runner.RunAll();
    EXPECT_EQ(runner.Var("OWNER"), c.expected);
    EXPECT_EQ(runner.Var("BITS"), "TRUE") << "the mode does not change what the system is";
    // The view goes back to the default one after the command.
    EXPECT_EQ(CurrentRegistryView(runner.session), RegistryView::Force32);
  }
}

TEST(GetOsOrSpLevel, NamesTheVersionOrCountsTheServicePack) {
  struct Case {
    platform::VersionReport version;
    std::string name;
    std::string servicePack;
  };
  // Each report is named as a whole: for a nested braced list GCC 12 emits an unwinding path
  // that destroys strings never constructed (and warns about it at -O3).
  const std::vector<Case> cases = {
      {platform::VersionReport{2, 4, 0, 1381, "Service Pack 6", 0}, "NT4", "6"},
      {platform::VersionReport{2, 5, 0, 2195, "Service Pack 4", 1}, "2000", "4"},
      {platform::VersionReport{2, 5, 1, 2600, "Service Pack 3", 1}, "XP", "3"},
      {platform::VersionReport{2, 5, 2, 3790, "Service Pack 2", 3}, "2003", "2"},
      {platform::VersionReport{2, 6, 0, 6001, "Service Pack 1", 3}, "2008", "1"},
      {platform::VersionReport{2, 6, 0, 6000, "", 3}, "VISTA", "0"},
      {platform::VersionReport{2, 6, 0, 6002, "Service Pack 2", 1}, "VISTA", "2"},
      {platform::VersionReport{2, 6, 1, 7600, "", 3}, "SEVEN", "0"},
      {platform::VersionReport{2, 6, 2, 9200, "", 1}, "UNKNOWN", "0"},
      {platform::VersionReport{2, 10, 0, 19045, "", 1}, "UNKNOWN", "0"},
      {platform::VersionReport{1, 4, 0, 950, "", 0}, "95", "0"},
      {platform::VersionReport{1, 4, 10, 0x040A07CE, "", 0}, "98", "0"},
      {platform::VersionReport{1, 4, 10, 0x040A08AE, " A ", 0}, "98SE", "0"},
      {platform::VersionReport{1, 4, 90, 0x045A0BB8, "", 0}, "ME", "0"},
      {platform::VersionReport{2, 5, 1, 2600, "Service Pack 10", 1}, "XP", "10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " " + c.version.servicePackText);
    CommandRunner runner(Script("Get OS or SP Level: NAME TRUE\nGet OS or SP Level: SP FALSE\n"));
    runner.temp.machine.system.versionReport = c.version;
    runner.RunAll();
    EXPECT_EQ(runner.Var("NAME"), c.name);
    EXPECT_EQ(runner.Var("SP"), c.servicePack);
  }
}

TEST(Set64BitMode, TheLastExactTrueNamesTheMode) {
  struct Case {
    const char* before;
    const char* parameters;
    const char* after;
  };
  const std::vector<Case> cases = {
      {"Win32", "FALSE FALSE TRUE", "x64"},   {"Win32", "FALSE TRUE FALSE", "ia64"},
      {"x64", "TRUE FALSE FALSE", "Win32"},   {"Win32", "TRUE TRUE TRUE", "x64"},
      {"Win32", "TRUE TRUE FALSE", "ia64"},   {"x64", "true FALSE FALSE", "x64"},
      {"Win32", "FALSE FALSE -1", "Win32"},   {"ia64", "FALSE FALSE FALSE", "ia64"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.before) + ": " + c.parameters);
    CommandRunner runner(Script(std::string("Set 64 Bit Mode: ") + c.parameters + "\n"));
    runner.session.run.platformMode = c.before;
    runner.RunAll();
    EXPECT_EQ(runner.session.run.platformMode, c.after);
  }
}

TEST(IsMsiSetupInstalled, OnlyAFullyInstalledProductCounts) {
  CommandRunner runner(Script("Is MSI Setup Installed: $CODE$ KNOWN\n"
                              "Is MSI Setup Installed: {00000000-0000-0000-0000-000000000001} UNKNOWN\n"
                              "Is MSI Setup Installed: {00000000-0000-0000-0000-000000000002} ADVERTISED\n"));
  runner.temp.machine.installer.AddProduct("{12345678-1234-1234-1234-123456789ABC}", "{PACKAGE}");
  runner.temp.machine.installer.AddProduct("{00000000-0000-0000-0000-000000000002}", "{PACKAGE}");
  runner.temp.machine.installer.products["{00000000-0000-0000-0000-000000000002}"].state = 1;  // advertised
  runner.session.variables.SetVariable("CODE", "{12345678-1234-1234-1234-123456789abc}", "Test");
  runner.RunAll();
  EXPECT_EQ(runner.Var("KNOWN"), "TRUE");
  EXPECT_EQ(runner.Var("UNKNOWN"), "FALSE");
  EXPECT_EQ(runner.Var("ADVERTISED"), "FALSE");
}

}  // namespace
}  // namespace quarrix

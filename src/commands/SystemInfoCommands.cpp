// The system information commands: facts about the machine by number, the Windows name, an
// installer product's state, and the platform mode that the 64-bit switches follow. None of
// them fails: what the machine cannot tell reads as false, 0 or the empty text.
#include <cstdint>
#include <optional>
#include <string>

#include "commands/CommandFamilies.h"
#include "common/IntegerSyntax.h"
#include "engine/Session.h"
#include "engine/SystemFacts.h"
#include "engine/VariableManager.h"
#include "engine/Wow64Switches.h"
#include "platform/Installer.h"

namespace quarrix {
namespace {

using platform::FileVersionParts;

constexpr uint64_t kMegabyte = uint64_t{1} << 20;

struct ScreenSize {
  int32_t width;
  int32_t height;
};
constexpr ScreenSize kScreens[] = {{800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}, {1920, 1440}};
constexpr int32_t kColourBits[] = {8, 16, 24, 32};
constexpr uint64_t kMemoryMegabytes[] = {32, 64, 128, 256, 512, 1024, 2048};

struct MajorMinor {
  uint32_t major;
  uint32_t minor;
};
constexpr MajorMinor kVersions[] = {{4, 0}, {4, 10}, {4, 11}, {4, 90}, {4, 0}, {5, 0}, {5, 1}, {5, 2}};

constexpr FileVersionParts kShellViewVersions[] = {
    {6, 0, 2800, 1106}, {6, 0, 2600, 0},    {5, 5, 4807, 2300}, {5, 5, 4522, 1800},
    {5, 5, 4134, 100},  {5, 0, 3502, 5400}, {5, 0, 3314, 2100}, {5, 0, 2919, 6307},
    {5, 0, 2014, 213},  {4, 72, 3612, 1707}, {4, 72, 3110, 3},  {4, 72, 2106, 7},
    {4, 71, 1712, 5},   {4, 70, 1300, 0},   {4, 70, 1215, 0},   {4, 70, 1155, 0},
};
// Settings 53 to 58, then 73 and 80.
constexpr uint32_t kWebServerVersions[] = {60, 51, 50, 40, 30, 20};

// Built-in groups from the most to the least privileged, as setting 63 names them.
struct NamedGroup {
  uint32_t rid;
  const char* name;
};
constexpr NamedGroup kGroupLadder[] = {{0x220, "ADMIN"}, {0x223, "POWER"}, {0x221, "USER"}, {0x222, "GUEST"}};

bool FileVersionAtLeast(const std::optional<FileVersionParts>& version, const FileVersionParts& wanted) {
  return version && *version >= wanted;
}

bool WebServerAtLeast(Session& session, uint32_t wanted) {
  const std::optional<uint32_t> version = WebServerVersion(session);
  return version && *version >= wanted;
}

bool InVirtualMachine(platform::SystemInfo& system) {
  return system.VmwareBackdoorAnswers() || system.VirtualPcInstructionRuns();
}

std::string GroupLadder(platform::SystemInfo& system) {
  if (!GetOsVersion(system).nt) return "ADMIN";
  for (const NamedGroup& group : kGroupLadder)
    if (IsGroupMember(system, group.rid)) return group.name;
  return "ERROR";
}

// The answer to setting `number`; a number outside 0 to 80 gives the empty text.
std::string SystemSetting(Session& session, int32_t number) {
  platform::SystemInfo& system = session.platform.system;
  const auto truth = [](bool value) { return std::string(BoolText(value)); };
  if (number == 0) return truth(IsAdministrator(system));
  if (number >= 1 && number <= 7)
    return truth(system.PhysicalMemory() >= (kMemoryMegabytes[number - 1] - 2) * kMegabyte);
  if (number >= 8 && number <= 12) {
    const platform::DisplayReport display = system.Display();
    const ScreenSize wanted = kScreens[number - 8];
    const bool upright = display.width >= wanted.width && display.height >= wanted.height;
    const bool turned = display.width >= wanted.height && display.height >= wanted.width;
    return truth(upright || turned);
  }
  if (number >= 13 && number <= 16) return truth(system.Display().colourBits >= kColourBits[number - 13]);
  if (number == 17) return truth(!GetOsVersion(system).nt);
  if (number == 18) return truth(GetOsVersion(system).nt);
  if (number >= 19 && number <= 26) {
    const MajorMinor wanted = kVersions[number - 19];
    return truth(VersionAtLeast(GetOsVersion(system), wanted.major, wanted.minor));
  }
  if (number >= 27 && number <= 32) return truth(GetOsVersion(system).servicePack >= static_cast<uint32_t>(number - 26));
  if (number == 33) return std::to_string(GetOsLanguage(system).id);
  if (number == 34) return GetOsLanguage(system).name;
  if (number == 35) return GetRegisteredUser(session).owner;
  if (number == 36) return GetRegisteredUser(session).organisation;
  if (number >= 37 && number <= 52)
    return truth(FileVersionAtLeast(system.SystemFileVersion("shdocvw.dll"), kShellViewVersions[number - 37]));
  if (number >= 53 && number <= 58) return truth(WebServerAtLeast(session, kWebServerVersions[number - 53]));
  switch (number) {
    case 59: return {};  // the anonymous web user comes with the web server commands
    case 60: return GetUserAccount(system).name;
    case 61: return GetComputerName(system);
    case 62: return GetUserAccount(system).domain;
    case 63: return GroupLadder(system);
    case 64: return std::to_string(system.Display().dotsPerInch);
    case 65: return truth(IsWow64(session));
    case 66: return truth(system.Display().tabletPc);
    case 67: return truth(system.Display().mediaCenter);
    case 68: return truth(IsServerProduct(system));
    case 69: return truth(VersionAtLeast(GetOsVersion(system), 6, 0));
    case 70: return truth(system.VmwareBackdoorAnswers());
    case 71: return truth(system.VirtualPcInstructionRuns());
    case 72: return truth(BrowserVersionAtLeast(session, {7, 0, 5730, 11}));
    case 73: return truth(WebServerAtLeast(session, 70));
    case 74: return truth(!InVirtualMachine(system));
    case 75: return NativeArchitecture(system);
    case 76: {
      const OsVersion version = GetOsVersion(system);
      return truth(VersionAtLeast(version, 6, 0) && version.servicePack >= 1 && version.server);
    }
    case 77: return truth(system.IsElevated());
    case 78: return truth(BrowserVersionAtLeast(session, {8, 0, 6001, 18702}));
    case 79: return truth(VersionAtLeast(GetOsVersion(system), 6, 1));
    case 80: return truth(WebServerAtLeast(session, 75));
    default: return {};
  }
}

void GetSystemSettingsCommand(CommandContext& context) {
  context.DeclareResult(1);
  std::string value;
  {
    const Wow64Bracket bracket(context.session);
    value = SystemSetting(context.session, ParseScriptInteger(context.Param(2)).value_or(-1));
  }
  context.SetDeclaredResult(1, value);
}

void GetOsOrSpLevelCommand(CommandContext& context) {
  context.DeclareResult(1);
  std::string value;
  {
    const Wow64Bracket bracket(context.session);
    const OsVersion version = GetOsVersion(context.session.platform.system);
    value = context.Truth(2) ? OsName(version) : std::to_string(version.servicePack);
  }
  context.SetDeclaredResult(1, value);
}

void IsMsiSetupInstalledCommand(CommandContext& context) {
  context.DeclareResult(2);
  const int state = context.session.platform.installer.QueryProductState(context.Path(1));
  context.session.variables.SetVariable(context.Param(2), BoolText(state == platform::kInstallStateDefault),
                                        "MsiQueryProductState");
}

// The last parameter that is exactly "TRUE" names the mode; none leaves it as it is.
void Set64BitModeCommand(CommandContext& context) {
  std::string& mode = context.session.run.platformMode;
  if (context.Param(1) == "TRUE") mode = "Win32";
  if (context.Param(2) == "TRUE") mode = "ia64";
  if (context.Param(3) == "TRUE") mode = "x64";
}

constexpr CommandRow kRows[] = {
    {"Get System Settings", GetSystemSettingsCommand, DeclareOnly<1>},
    {"Get OS or SP Level", GetOsOrSpLevelCommand, DeclareOnly<1>},
    {"Is MSI Setup Installed", IsMsiSetupInstalledCommand, RequireAndDeclare<2>},
    {"Set 64 Bit Mode", Set64BitModeCommand},
};

}  // namespace

std::span<const CommandRow> SystemInfoCommandRows() { return kRows; }

}  // namespace quarrix

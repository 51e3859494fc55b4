#include "engine/SystemFacts.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "engine/Session.h"
#include "engine/Wow64Switches.h"

namespace quarrix {
namespace {

constexpr uint32_t kPlatformNt = 2;
constexpr uint32_t kWorkstation = 1;
constexpr uint32_t kAdministratorsRid = 0x220;
// The packed build field of Windows 98 Second Edition (4.10.2222).
constexpr uint32_t kSecondEditionBuild = 0x040A08AD;

std::optional<std::string> TextValue(Session& session, const std::string& key, const std::string& name,
                                     platform::RegistryView view) {
  auto value = session.platform.registry.ReadValue(platform::RegistryRoot::LocalMachine, key, name, view);
  if (!value) return std::nullopt;
  if (value->type != platform::RegistryType::String && value->type != platform::RegistryType::ExpandString)
    return std::nullopt;
  std::string text = value->data;
  if (const size_t end = text.find('\0'); end != std::string::npos) text.resize(end);
  return text;
}

std::optional<uint32_t> NumberValue(Session& session, const std::string& key, const std::string& name,
                                    platform::RegistryView view) {
  auto value = session.platform.registry.ReadValue(platform::RegistryRoot::LocalMachine, key, name, view);
  if (!value || value->type != platform::RegistryType::Dword || value->data.size() < 4) return std::nullopt;
  uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value->data[i]);
  return number;
}

}  // namespace

uint32_t ServicePackNumber(const std::string& servicePackText) {
  for (uint32_t n = 10; n >= 1; --n)
    if (servicePackText.find(std::to_string(n)) != std::string::npos) return n;
  return 0;
}

OsVersion GetOsVersion(platform::SystemInfo& system) {
  const platform::VersionReport report = system.ReportedVersion();
  OsVersion version;
  version.nt = report.platformId == kPlatformNt;
  version.major = report.major;
  version.minor = report.minor;
  version.build = report.build;
  if (!version.nt && version.major == 4 && version.minor == 10 && report.build > kSecondEditionBuild)
    version.minor = 11;
  version.servicePack = ServicePackNumber(report.servicePackText);
  version.server = report.productType != kWorkstation;
  return version;
}

std::string OsName(const OsVersion& version) {
  struct Named {
    bool nt;
    uint32_t major;
    uint32_t minor;
    const char* name;
  };
  static constexpr Named kNames[] = {
      {true, 4, 0, "NT4"},   {true, 5, 0, "2000"},  {true, 5, 1, "XP"},    {true, 5, 2, "2003"},
      {true, 6, 1, "SEVEN"}, {false, 4, 0, "95"},   {false, 4, 10, "98"}, {false, 4, 11, "98SE"},
      {false, 4, 90, "ME"},
  };
  if (version.nt && version.major == 6 && version.minor == 0)
    return version.servicePack >= 1 && version.server ? "2008" : "VISTA";
  for (const Named& named : kNames)
    if (named.nt == version.nt && named.major == version.major && named.minor == version.minor) return named.name;
  return "UNKNOWN";
}

bool VersionAtLeast(const OsVersion& version, uint32_t major, uint32_t minor) {
  return version.major > major || (version.major == major && version.minor >= minor);
}

bool IsServerProduct(platform::SystemInfo& system) { return GetOsVersion(system).server; }

bool IsGroupMember(platform::SystemInfo& system, uint32_t rid) {
  if (!GetOsVersion(system).nt) return false;
  return system.TokenHasBuiltinGroup(rid);
}

bool IsAdministrator(platform::SystemInfo& system) {
  if (!GetOsVersion(system).nt) return true;
  return system.TokenHasBuiltinGroup(kAdministratorsRid);
}

std::string NativeArchitecture(platform::SystemInfo& system) {
  const std::optional<uint16_t> architecture = system.NativeProcessorArchitecture();
  if (!architecture) return "X86";
  switch (*architecture) {
    case 0: return "X86";
    case 6: return "IA64";
    case 9: return "AMD64";
    default: return "UNKNOWN";
  }
}

RegisteredUser GetRegisteredUser(Session& session) {
  const bool nt = GetOsVersion(session.platform.system).nt;
  const std::string key = std::string("SOFTWARE\\Microsoft\\") + (nt ? "Windows NT" : "Windows") + "\\CurrentVersion\\";
  const platform::RegistryView view = CurrentRegistryView(session);
  RegisteredUser user;
  user.owner = TextValue(session, key, "RegisteredOwner", view).value_or("");
  user.organisation = TextValue(session, key, "RegisteredOrganization", view).value_or("");
  return user;
}

platform::AccountParts GetUserAccount(platform::SystemInfo& system) {
  if (GetOsVersion(system).nt) return system.ProcessAccount();
  return platform::AccountParts{system.LogonUserName(), ""};
}

std::string GetComputerName(platform::SystemInfo& system) { return system.ComputerName().substr(0, 15); }

OsLanguage GetOsLanguage(platform::SystemInfo& system) {
  OsLanguage language;
  language.id = system.SystemFileLanguage("winver.exe").value_or(0);
  language.name = system.LanguageName(language.id);
  return language;
}

std::optional<uint32_t> WebServerVersion(Session& session) {
  // Read as the 32-bit engine reads it without a view flag: its own view on a 64-bit system.
  const platform::RegistryView view = FixedRegistryView(session);
  const std::string key = "SOFTWARE\\Microsoft\\INetStp";
  const std::optional<uint32_t> major = NumberValue(session, key, "MajorVersion", view);
  const std::optional<uint32_t> minor = NumberValue(session, key, "MinorVersion", view);
  if (!major || !minor) return std::nullopt;
  return *major * 10 + *minor;
}

bool BrowserVersionAtLeast(Session& session, const platform::FileVersionParts& wanted) {
  const std::string text =
      TextValue(session, "SOFTWARE\\Microsoft\\Internet Explorer", "Version", CurrentRegistryView(session))
          .value_or("");
  uint32_t parts[4] = {0, 0, 0, 0};
  std::string_view rest = text;
  for (uint32_t& part : parts) {
    const size_t dot = rest.find('.');
    const std::string_view piece = rest.substr(0, dot);
    uint32_t number = 0;
    const auto parsed = std::from_chars(piece.data(), piece.data() + piece.size(), number);
    part = parsed.ec == std::errc() && parsed.ptr == piece.data() + piece.size() ? number : 0;
    if (dot == std::string_view::npos) break;
    rest.remove_prefix(dot + 1);
  }
  for (size_t i = 0; i < 4; ++i)
    if (parts[i] != wanted[i]) return parts[i] > wanted[i];
  return true;
}

}  // namespace quarrix

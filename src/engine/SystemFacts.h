#pragma once
// Facts about the machine that scripts decide on, as the engine derives them from what the
// system reports: the Windows version record, group membership, the registered user, the
// account, the language of the user interface, installed web browser and web server versions.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/SystemInfo.h"

namespace quarrix {

struct Session;

struct OsVersion {
  bool nt = true;
  uint32_t major = 0;
  uint32_t minor = 0;  // Windows 98 Second Edition counts as 4.11
  uint32_t build = 0;
  uint32_t servicePack = 0;  // 0 to 10
  bool server = false;       // a product type other than workstation
};

OsVersion GetOsVersion(platform::SystemInfo& system);
// The service-pack number a version text names: the largest of 10 down to 1 whose decimal text
// occurs in it; 0 when none does.
uint32_t ServicePackNumber(const std::string& servicePackText);
// "XP", "SEVEN", "98SE", ... or "UNKNOWN".
std::string OsName(const OsVersion& version);
// At least major.minor, whatever the platform.
bool VersionAtLeast(const OsVersion& version, uint32_t major, uint32_t minor);

bool IsServerProduct(platform::SystemInfo& system);
// Membership of the built-in group S-1-5-32-rid; never on 9x.
bool IsGroupMember(platform::SystemInfo& system, uint32_t rid);
// On 9x always; on NT membership of the local Administrators group.
bool IsAdministrator(platform::SystemInfo& system);
// "X86", "IA64", "AMD64" or "UNKNOWN".
std::string NativeArchitecture(platform::SystemInfo& system);

struct RegisteredUser {
  std::string owner;
  std::string organisation;
};
// Read through the registry view the session has set.
RegisteredUser GetRegisteredUser(Session& session);
// On NT the process user's account name and domain; on 9x the logon name and no domain.
platform::AccountParts GetUserAccount(platform::SystemInfo& system);
std::string GetComputerName(platform::SystemInfo& system);

struct OsLanguage {
  uint16_t id = 0;
  std::string name;
};
// The language of the system's own version program, as the user interface language.
OsLanguage GetOsLanguage(platform::SystemInfo& system);

// The web server's version as major x 10 + minor; nothing when it is not installed.
std::optional<uint32_t> WebServerVersion(Session& session);
// The installed browser version is at least the given four parts.
bool BrowserVersionAtLeast(Session& session, const platform::FileVersionParts& wanted);

}  // namespace quarrix

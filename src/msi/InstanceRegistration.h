#pragma once
// After a completed Apply Changes: the private copy of the setup in the instance cache, its
// entry in the system's list of installed programs and the Ident.Cache record, or, after a
// removal, the end of all of them.
#include <cstdint>
#include <string>

namespace quarrix {

struct Session;

// Below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.
inline constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

enum class ApplyMode { Install, Advertise, Remove };

// The first two dot-separated numbers of a display version ("8.0.0" gives 8 and 0). A missing
// part, or a last part that is not a number, counts as 0; a part before a dot that is not a
// number throws std::runtime_error, as the engine's integer conversion does.
uint32_t DisplayVersionMajor(const std::string& displayVersion);
uint32_t DisplayVersionMinor(const std::string& displayVersion);

// transformedPackage: the package that received a new instance identity, copied instead of the
// one beside the executable; empty when there is none. Failures leave their item out, except
// the display version's (see above), which ends the registration where it stands.
void RegisterInstance(Session& session, ApplyMode mode, const std::string& transformedPackage = {});

}  // namespace quarrix

#pragma once
// Where instance caches live on the machine and which folder holds this setup's instance.
#include <string>

namespace quarrix {

struct Session;

// The registry key that records an installed instance's folder, followed by the product code.
inline constexpr const char* kIdentCacheKey = "SOFTWARE\\Orlevant\\Quarrix\\Ident.Cache\\";

// The folder under which instance folders live, with trailing backslash: OVERRIDECACHE, else
// the parent of the recorded instance folder of this revision, else the application data folder
// for all users (perMachine) or for the current user.
std::string GetCacheRoot(Session& session, bool perMachine);

// True when the instance's data file is absent from the current user's cache root.
bool HasNoUserData(Session& session, const std::string& packagePath);

// The instance folder with trailing backslash: the revision code's folder, or in a patch run
// the installed instance's, under the per-user root when the user's data file is there.
std::string InstanceFolder(Session& session, const std::string& packagePath);

// The recorded instance folder of the product code: the machine's record, else the user's;
// empty when neither can be read.
std::string RecordedInstanceFolder(Session& session);

}  // namespace quarrix

#pragma once
// The variables the engine defines for every script: the defaults before the instance bootstrap,
// the full set at initialisation, and those it recomputes before every line.
#include <functional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/SystemInfo.h"

namespace quarrix {

struct Session;

inline constexpr std::string_view kPreInitializationContext = "Pre-Initialization";
inline constexpr std::string_view kInitializationContext = "Initialization";

// Whether the process may install for all users: NT family, a member of the local Administrators
// group and, after Windows XP, elevated as well.
bool AllUsersDefault(platform::SystemInfo& system);

// The Program Files folder for those who may install for all users (and on the 9x family),
// otherwise the user's profile folder; then the title and a backslash.
std::string DefaultTargetFolder(Session& session, std::string_view title);

// TARGETDIR, STARTMENU and ALLUSERS, before the instance bootstrap.
void SetPreInitializationVariables(Session& session);

// The cache root of the instance cache for all users (true) or the current user (false), with a
// trailing backslash.
using CacheRootFunction = std::function<std::string(Session& session, bool perMachine)>;

// DATE and TIME in the user's formats, formatted again only when the second changes.
class DateTimeTexts {
 public:
  // Both texts for the clock's current time.
  std::pair<const std::string&, const std::string&> Current(platform::Clock& clock);

 private:
  bool cached_ = false;
  platform::LocalTime time_;
  std::string date_;
  std::string clock_;
};

// The variables recomputed before every line; one per run, kept by the interpreter.
class PerLineRefresh {
 public:
  PerLineRefresh(Session& session, CacheRootFunction cacheRoot);

  void RefreshDateAndTime();
  // ENGINECACHE and UNINSTALLLINK; a patch run takes them from the installed product's
  // Uninstall entry instead.
  void RefreshInstanceLinks();

  DateTimeTexts& Texts() { return texts_; }

 private:
  void RefreshPatchLinks();

  Session& session_;
  CacheRootFunction cacheRoot_;
  DateTimeTexts texts_;
};

// Every predefined variable of initialisation, in its order. packagePath is the run's package.
void SetPredefinedVariables(Session& session, PerLineRefresh& refresh, const std::string& packagePath);

// The program an Uninstall entry's "UninstallString" starts: its first double quote removed, and
// everything from the next double quote on.
std::string UninstallProgramPath(std::string_view uninstallString);

}  // namespace quarrix

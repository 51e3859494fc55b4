#pragma once
// The variables the engine defines for every script: the defaults before the instance bootstrap,
// the full set at initialisation, and those it recomputes before every line.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

namespace quarrix {

struct Session;

inline constexpr std::string_view kPreInitializationContext = "Pre-Initialization";
inline constexpr std::string_view kInitializationContext = "Initialization";

// A string or expandable string value of the view (the default one unless given); empty when missing
// or of another type.
std::string ReadRegistryText(platform::Registry& registry, platform::RegistryRoot root, const std::string& key,
                             const std::string& name,
                             platform::RegistryView view = platform::RegistryView::Default);

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
//
// Both links are stored before every line, so a script's own assignment lasts one line. What
// they are made of (the cache root's registry record and folders, a patch's Uninstall entry) is
// looked up again when an input the engine knows of changes (ALLUSERS, OVERRIDECACHE, TITLE, the
// revision code), when a second has passed, or after Invalidate(): a registry lookup costs more
// than most lines.
class PerLineRefresh {
 public:
  PerLineRefresh(Session& session, CacheRootFunction cacheRoot);

  void RefreshDateAndTime();
  // ENGINECACHE and UNINSTALLLINK; a patch run takes them from the installed product's
  // Uninstall entry instead.
  void RefreshInstanceLinks();
  // For the engine's own writes of what the links depend on (registering or moving the instance):
  // the next refresh looks everything up again.
  void Invalidate() { linksKnown_ = false; }

  DateTimeTexts& Texts() { return texts_; }

 private:
  static constexpr uint32_t kLinksLifetimeMs = 1000;

  // The inputs the last lookup was made from. keyText is TITLE in patch runs (it names the
  // Uninstall entry), OVERRIDECACHE otherwise.
  struct LinkInputs {
    bool patch = false;
    bool perMachine = false;
    std::string keyText;
    std::string revisionCode;
  };
  void LookUpLinks();

  Session& session_;
  CacheRootFunction cacheRoot_;
  DateTimeTexts texts_;
  bool linksKnown_ = false;
  LinkInputs linkInputs_;
  uint32_t linksLookedUpAt_ = 0;
  std::string engineCache_;
  std::string uninstallLink_;
};

// Every predefined variable of initialisation, in its order. packagePath is the run's package.
void SetPredefinedVariables(Session& session, PerLineRefresh& refresh, const std::string& packagePath);

// The program an Uninstall entry's "UninstallString" starts: its first double quote removed, and
// everything from the next double quote on.
std::string UninstallProgramPath(std::string_view uninstallString);

}  // namespace quarrix

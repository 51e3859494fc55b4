#pragma once
// The engine's 64-bit mode: the two switches derived from the platform mode that commands apply
// around their work, file-system redirection and the registry view.
//
// "Under WOW64" here means the machine runs a 64-bit Windows: the x86_64 build then follows the
// rules of the 32-bit engine (32-bit registry view and folders in "Win32" mode), so that both
// builds behave alike. Whether redirection actually happens stays the system's decision, which
// applies it to 32-bit processes alone.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/Registry.h"

namespace quarrix {

struct Session;

struct Wow64Switches {
  std::mutex lock;
  // What the system returned when redirection was switched off; zero while it is on. Shared by
  // the main thread and the workers.
  uintptr_t redirectionCell = 0;
  // The main thread switched redirection off (and has not switched it back yet).
  bool mainThreadSwitched = false;
  // Set by SetRegistryView and ResetRegistryView; until either runs, the reset view.
  std::optional<platform::RegistryView> registryView;
};

// The machine is a 64-bit Windows (the engine's notion of running under WOW64).
bool IsWow64(Session& session);

// The one rule from platform mode to registry view: the 64-bit view in any mode but "Win32",
// the 32-bit view in "Win32" mode, both only on a 64-bit system.
platform::RegistryView RegistryViewForPlatformMode(std::string_view platformMode, bool wow64);

void SetRegistryView(Session& session);
void ResetRegistryView(Session& session);
// The view registry commands use now.
platform::RegistryView CurrentRegistryView(Session& session);
// The view of the direct registry reads and the program-files lookups: the 32-bit one on a
// 64-bit system whatever the platform mode.
platform::RegistryView FixedRegistryView(Session& session);

// onWorker: the caller is a worker thread, which switches its own thread's redirection.
void DisableRedirection(Session& session, bool onWorker);
void RevertRedirection(Session& session, bool onWorker);

// The 64-bit bracket: redirection off (and, for registry work, the registry view of the
// platform mode) for the object's lifetime.
class Wow64Bracket {
 public:
  enum class Registry { Untouched, ViewOfPlatformMode };
  explicit Wow64Bracket(Session& session, bool onWorker = false, Registry registry = Registry::ViewOfPlatformMode);
  ~Wow64Bracket();
  Wow64Bracket(const Wow64Bracket&) = delete;
  Wow64Bracket& operator=(const Wow64Bracket&) = delete;

 private:
  Session& session_;
  bool onWorker_;
  Registry registry_;
};

// The registry half alone, for registry work that touches no files.
class RegistryViewScope {
 public:
  explicit RegistryViewScope(Session& session) : session_(session) { SetRegistryView(session_); }
  ~RegistryViewScope() { ResetRegistryView(session_); }
  RegistryViewScope(const RegistryViewScope&) = delete;
  RegistryViewScope& operator=(const RegistryViewScope&) = delete;

 private:
  Session& session_;
};

}  // namespace quarrix

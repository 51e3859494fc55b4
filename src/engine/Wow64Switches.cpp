#include "engine/Wow64Switches.h"

#include "engine/Session.h"

namespace quarrix {

bool IsWow64(Session& session) { return session.platform.system.Is64BitSystem(); }

platform::RegistryView RegistryViewForPlatformMode(std::string_view platformMode, bool wow64) {
  if (!wow64) return platform::RegistryView::Default;
  return platformMode == "Win32" ? platform::RegistryView::Force32 : platform::RegistryView::Force64;
}

void SetRegistryView(Session& session) {
  const platform::RegistryView view = RegistryViewForPlatformMode(session.run.platformMode, IsWow64(session));
  std::lock_guard guard(session.wow64.lock);
  session.wow64.registryView = view;
}

void ResetRegistryView(Session& session) {
  const platform::RegistryView view = FixedRegistryView(session);
  std::lock_guard guard(session.wow64.lock);
  session.wow64.registryView = view;
}

platform::RegistryView CurrentRegistryView(Session& session) {
  {
    std::lock_guard guard(session.wow64.lock);
    if (session.wow64.registryView) return *session.wow64.registryView;
  }
  return FixedRegistryView(session);
}

platform::RegistryView FixedRegistryView(Session& session) {
  return IsWow64(session) ? platform::RegistryView::Force32 : platform::RegistryView::Default;
}

namespace {

// Redirection belongs to 64-bit systems outside "Win32" mode that offer the switch.
bool RedirectionApplies(Session& session) {
  return IsWow64(session) && session.run.platformMode != "Win32" && session.platform.system.HasRedirectionSwitch();
}

}  // namespace

void DisableRedirection(Session& session, bool onWorker) {
  if (!RedirectionApplies(session)) return;
  Wow64Switches& switches = session.wow64;
  std::lock_guard guard(switches.lock);
  if (switches.redirectionCell != 0) return;
  if (!onWorker && switches.mainThreadSwitched) return;
  const bool switched = session.platform.system.RedirectionOff(switches.redirectionCell);
  if (switched && !onWorker) switches.mainThreadSwitched = true;
}

void RevertRedirection(Session& session, bool onWorker) {
  if (!RedirectionApplies(session)) return;
  Wow64Switches& switches = session.wow64;
  std::lock_guard guard(switches.lock);
  if (!onWorker && !switches.mainThreadSwitched) return;
  const bool reverted = session.platform.system.RedirectionRestore(switches.redirectionCell);
  if (reverted && !onWorker) switches.mainThreadSwitched = false;
}

Wow64Bracket::Wow64Bracket(Session& session, bool onWorker, Registry registry)
    : session_(session), onWorker_(onWorker), registry_(registry) {
  if (registry_ == Registry::ViewOfPlatformMode) SetRegistryView(session_);
  DisableRedirection(session_, onWorker_);
}

Wow64Bracket::~Wow64Bracket() {
  RevertRedirection(session_, onWorker_);
  if (registry_ == Registry::ViewOfPlatformMode) ResetRegistryView(session_);
}

}  // namespace quarrix

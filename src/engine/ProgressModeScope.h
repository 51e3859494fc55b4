#pragma once
// The progress mode around a box or folder browser that opens over running progress: paused (or
// in error) while it is open, back to what it was once it closes. Without dialogs there is no
// progress on the screen and nothing changes.
#include "engine/Session.h"

namespace quarrix {

void SetProgressMode(Session& session, bool on, bool error);

class ProgressModeScope {
 public:
  ProgressModeScope(Session& session, bool error) : session_(session) { SetProgressMode(session_, true, error); }
  ~ProgressModeScope() { SetProgressMode(session_, false, false); }
  ProgressModeScope(const ProgressModeScope&) = delete;
  ProgressModeScope& operator=(const ProgressModeScope&) = delete;

 private:
  Session& session_;
};

}  // namespace quarrix

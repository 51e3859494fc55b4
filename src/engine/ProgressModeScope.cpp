#include "engine/ProgressModeScope.h"

#include "engine/DialogHost.h"

namespace quarrix {

void SetProgressMode(Session& session, bool on, bool error) {
  if (session.dialogs != nullptr) session.dialogs->SetProgressMode(on, error);
}

}  // namespace quarrix

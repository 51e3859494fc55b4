#pragma once
// Handing what the wizard collected to Windows Installer: the apply-changes thread is started and
// the main thread keeps the user interface alive until it ends.
#include <string>

#include "msi/MsiThread.h"

namespace quarrix {

struct Session;

enum class ApplyOutcome { Error = -1, Cancelled = 0, Complete = 1, CompleteRestartNeeded = 2 };

struct ApplyResult {
  ApplyOutcome outcome = ApplyOutcome::Error;
  std::string errorText;
};

// dialogFolder: the folder the installer and its custom actions run in (the support folder);
// empty leaves the current directory alone. A cancel that did not make the installer fail
// counts as completion.
ApplyResult RunApplyChanges(Session& session, const ApplyInputs& inputs, const std::string& dialogFolder);

}  // namespace quarrix

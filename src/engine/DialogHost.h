#pragma once
// The wizard's dialogs as the interpreter and the dialog commands reach them. The dialog engine of
// the user interface layer implements it; a session without one (no dialog files were loaded)
// answers "Display Dialog" with the headless stand-in of the user interface.
#include <string>

#include "platform/UserInterface.h"

namespace quarrix {

class DialogHost {
 public:
  virtual ~DialogHost() = default;

  // The dialog pre-created for the "Display Dialog" line with this key (its 0-based index as
  // decimal text): bound to the variables and shown, waiting for the user when modal.
  virtual platform::DialogOutcome Display(const std::string& key, bool modal) = 0;
  virtual bool HasDialog(const std::string& key) const = 0;
  // "Hide Dialog": takes the dialog shown without waiting down.
  virtual void HideDialog() = 0;
  // PROGRESS or PROGRESSTEXT was assigned: the shown dialog shows it at once.
  virtual void ShowProgress(const std::string& text, int64_t position) = 0;
  // The run's cleanup: every dialog window is destroyed.
  virtual void Shutdown() = 0;
};

}  // namespace quarrix

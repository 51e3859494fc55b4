#pragma once
// The wizard's dialogs as the interpreter and the dialog commands reach them. The dialog engine of
// the user interface layer implements it; a session without one (no dialog files were loaded)
// answers "Display Dialog" with the headless stand-in of the user interface.
#include <cstdint>
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

  // A box or folder browser opens over running progress (on: "ERROR" when error, else "PAUSE")
  // or has closed (off: back to the mode the first "on" found). PROGRESSMODE and the shown
  // dialog's taskbar button follow; nothing happens where the system has no taskbar progress.
  // May be called from a worker thread (the installer's boxes): the taskbar then follows on the
  // main thread's next progress refresh.
  virtual void SetProgressMode(bool on, bool error) = 0;
  // The paused mode of a balloon tip ends by itself after this long.
  virtual void RestoreProgressModeAfter(uint32_t milliseconds) = 0;
  // The overlay icon of the shown dialog's taskbar button, described by TITLE.
  virtual void SetTaskbarOverlay(bool on) = 0;
  // Whether a dialog is on the screen (message boxes belong to its window).
  virtual bool HasShownWindow() const = 0;
  // "System Tray": the shown dialog's window is hidden and the setup counts as sitting in the
  // tray; or the window comes back to the front and the setup leaves the tray. Restoring shows
  // only that window, not a dialog that waits for the tray restore.
  virtual void HideToTray() = 0;
  virtual void RestoreShownWindow() = 0;
};

}  // namespace quarrix

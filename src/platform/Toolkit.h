#pragma once
// The window toolkit the wizard's dialogs are built with: windows created from dialog files,
// their components read and written by property name, the message loop, timers, the tray icon
// and the taskbar button. Everything runs on the main thread; the toolkit reports what the user
// does as events to one sink, and the dialog engine decides what an event means.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/DialogControls.h"
#include "platform/FormDescription.h"

namespace quarrix::platform {

using FormId = uint64_t;  // a window the toolkit created; 0 is none
inline constexpr FormId kNoForm = 0;

// A form the toolkit cannot build (an unknown control class, a property of the wrong kind).
class FormError : public std::runtime_error {
 public:
  FormError(const std::string& message, int line) : std::runtime_error(message), line(line) {}
  int line;  // in the dialog file; 0 when unknown
};

struct ComponentInfo {
  std::string name;
  std::string className;  // as the dialog file names it: "TEdit", "TRzCheckBox"
  std::string parent;     // the component it sits on; empty for the window itself
};

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

enum class EventKind {
  Change,         // text, selection, position or current folder changed (also when the engine set it)
  Click,          // a button, label, image, check box, list item or combo choice
  ClickCheck,     // a check-list item's box toggled
  MouseUp,        // on a shape or a tree view; x, y in the component's client coordinates
  KeyUp,          // key: the virtual-key code
  FolderChanged,  // a shell list moved to another folder
  HotSpot,        // a link in an HTML page was clicked; text: the link
  MetaRefresh,    // an HTML page asks for another one; text: the address, delaySeconds
  CloseQuery,     // the user tried to close the window (close box, Alt+F4); handled: it may close
  Minimize,       // the system menu's minimise
  Activate,       // the window became active
  Timer,          // a timer of StartTimer fired; timerId
  TrayClick,      // the tray icon was clicked or double-clicked
  Scroll,         // a memo or rich edit was scrolled (bar or wheel)
};

struct ToolkitEvent {
  EventKind kind = EventKind::Change;
  FormId form = kNoForm;   // kNoForm for tray events
  std::string component;   // empty for the window itself
  std::string text;
  int key = 0;
  int x = 0;
  int y = 0;
  int delaySeconds = 0;
  int timerId = 0;
  // HotSpot: the sink sets this when it dealt with the link; otherwise the viewer follows it.
  bool handled = false;
};

enum class TaskbarState { None, Indeterminate, Normal, Error, Paused };
enum class BalloonIcon { Information = 1, Warning = 2, Error = 3 };

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Builds the window and every component of the form, hidden. Throws FormError for a class the
  // toolkit does not know or a property it cannot apply.
  virtual FormId CreateForm(const FormObject& form) = 0;
  virtual void DestroyForm(FormId form) = 0;

  // The window's components in creation order (nested ones included), not the window itself.
  virtual std::vector<ComponentInfo> Components(FormId form) = 0;

  // Published properties by name, as text ("Caption", "Text", "Hint", "Tag", "Checked",
  // "Enabled", "Visible", "ItemIndex", "MaxLength", "Position", "Min", "Max", "TabOrder",
  // "ReadOnly", "Style", "Directory", "Drive", "Left", "Top", "Width", "Height"; booleans read
  // "True"/"False"). Component "" is the window itself. Unknown component or property:
  // nothing on reading, false on writing. A tree view's "Selected" is the selected node's
  // TreeNodeId in decimal (-1 for none); writing it selects that node.
  virtual std::optional<std::string> GetProperty(FormId form, const std::string& component,
                                                 const std::string& property) = 0;
  virtual bool SetProperty(FormId form, const std::string& component, const std::string& property,
                           const std::string& value) = 0;

  // List-like components (list box, combo box, check-list box, memo and rich-edit lines).
  virtual std::vector<std::string> Items(FormId form, const std::string& component) = 0;
  virtual void SetItems(FormId form, const std::string& component, const std::vector<std::string>& items) = 0;
  virtual std::vector<bool> Selection(FormId form, const std::string& component) = 0;
  virtual void SetSelected(FormId form, const std::string& component, size_t index, bool selected) = 0;
  // Loads a text or rich-text file into a memo, rich edit or HTML viewer; false when unreadable.
  virtual bool LoadFile(FormId form, const std::string& component, const std::string& path) = 0;
  // The tree view and check list of a component of those kinds, owned by the toolkit; nullptr
  // for other kinds.
  virtual TreeView* TreeOf(FormId form, const std::string& component) = 0;
  virtual CheckList* CheckListOf(FormId form, const std::string& component) = 0;
  // A memo or rich edit's vertical scroll state: whether it has a scroll bar, and whether the
  // last page is in view.
  virtual bool HasVerticalScrollBar(FormId form, const std::string& component) = 0;
  virtual bool ScrolledToEnd(FormId form, const std::string& component) = 0;

  virtual void Show(FormId form) = 0;
  virtual void Hide(FormId form) = 0;
  virtual bool IsVisible(FormId form) = 0;
  // Focus to a component ("" for the window); false when it cannot take it.
  virtual bool Focus(FormId form, const std::string& component) = 0;
  virtual Bounds BoundsOf(FormId form) = 0;
  virtual void MoveTo(FormId form, int left, int top) = 0;
  virtual void CenterOnScreen(FormId form) = 0;
  // Shows a hidden or minimised window, brings it to the top and makes it the foreground window.
  virtual void Restore(FormId form) = 0;
  // The system's handle of the window (what WINDOWHANDLE shows), 0 when it has none.
  virtual uint64_t NativeHandle(FormId form) = 0;
  // The window message boxes and the folder browser are owned by; kNoForm for none.
  virtual void SetOwnerForm(FormId form) = 0;
  virtual FormId OwnerForm() = 0;
  // Shows form over owner as a modal window: it stays above owner, which takes no input until
  // the form is released by calling this again with kNoForm. owner kNoForm: a window of its own.
  virtual void SetModalOwner(FormId form, FormId owner) = 0;

  // Where the user's actions go. One sink; events of a form arrive only while it exists.
  virtual void SetEventSink(std::function<void(ToolkitEvent&)> sink) = 0;
  // The sink set now: a form that takes the events for a while hands the others on to it.
  virtual std::function<void(ToolkitEvent&)> EventSink() = 0;
  // One step of the message loop: waits at most maxWaitMs for a message, dispatches it (events
  // reach the sink from here) and returns whether one was handled.
  virtual bool ProcessOneMessage(uint32_t maxWaitMs) = 0;
  // Handles every message already waiting, without waiting.
  virtual void ProcessPendingMessages() = 0;

  // Timers fire Timer events with their id until stopped; starting a running one restarts it.
  virtual void StartTimer(FormId form, int timerId, uint32_t intervalMs) = 0;
  virtual void StopTimer(FormId form, int timerId) = 0;

  // The setup's tray icon and its balloon.
  virtual void ShowTrayIcon(const std::string& hint) = 0;
  virtual void HideTrayIcon() = 0;
  virtual bool TrayIconShown() = 0;
  virtual void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                           uint32_t timeoutMs) = 0;

  // The taskbar button of a window (where the system has a taskbar list); false when not.
  virtual bool HasTaskbarProgress() = 0;
  virtual bool SetTaskbarState(FormId form, TaskbarState state) = 0;
  virtual bool SetTaskbarProgress(FormId form, uint64_t completed, uint64_t total) = 0;
  virtual bool SetTaskbarOverlay(FormId form, bool on, const std::string& description) = 0;

  // A popup menu at screen coordinates; the index of the chosen item, nothing when dismissed.
  // Items with an empty caption are separators.
  virtual std::optional<size_t> ShowPopupMenu(const std::vector<std::string>& captions, int screenX,
                                              int screenY) = 0;
  virtual void CursorPosition(int& screenX, int& screenY) = 0;
};

}  // namespace quarrix::platform

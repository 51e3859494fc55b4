#pragma once
// The headless window toolkit of the simulated machine: forms built from dialog files as plain
// property tables, events fired as a user would fire them, timers on the simulated clock, and the
// tray and taskbar state recorded for tests and qx run to read.
//
// The simulated user acts only when the engine waits for it without limit (a modal dialog's
// message loop): it takes the next scripted answer, or presses Next once they are used up.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "platform/Toolkit.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimDialogControls.h"
#include "platform/sim/SimUserInterface.h"

namespace quarrix::platform::sim {

// Property names compare without regard to letter case, as the form loader finds them.
struct PropertyNameLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

struct SimComponent {
  std::string name;
  std::string className;
  std::string parent;
  std::map<std::string, std::string, PropertyNameLess> properties;
  std::vector<std::string> items;  // list items, memo and rich-edit lines
  std::vector<bool> selection;     // parallel to the items of lists
  std::unique_ptr<SimTreeView> tree;
  std::unique_ptr<SimCheckList> checks;  // a check-list box keeps its items here
  TreeNodeId selectedNode = kNoTreeNode;
  bool scrolledToEnd = false;
};

struct SimTimer {
  uint32_t intervalMs = 0;
  uint32_t startedAt = 0;
};

struct SimForm {
  SimComponent window;
  std::vector<SimComponent> components;  // creation order
  bool visible = false;
  FormId modalOwner = kNoForm;  // the window this one is shown over
  bool disabledByModal = false;  // a modal form over this one takes its input
  std::string focused;
  std::map<int, SimTimer> timers;
};

struct SimBalloon {
  std::string title;
  std::string text;
  BalloonIcon icon;
  uint32_t timeoutMs;
};

struct SimTaskbarButton {
  std::string window;  // the caption of the form it belongs to
  TaskbarState state = TaskbarState::None;
  TaskbarState seen = TaskbarState::None;  // as the user last saw it
  uint64_t completed = 0;
  uint64_t total = 0;
  bool overlay = false;
  std::string overlayDescription;
};

class SimToolkit : public Toolkit {
 public:
  SimToolkit(FileSystem& files, SimClock& clock, SystemInfo& system, SimUserInterface& ui)
      : files_(files), clock_(clock), system_(system), ui_(ui) {
    ui_.onShown = [this] { ObserveTaskbar(); };
  }
  ~SimToolkit() override { ui_.onShown = nullptr; }
  SimToolkit(const SimToolkit&) = delete;
  SimToolkit& operator=(const SimToolkit&) = delete;

  FormId CreateForm(const FormObject& form) override;
  void DestroyForm(FormId form) override;
  std::vector<ComponentInfo> Components(FormId form) override;
  std::optional<std::string> GetProperty(FormId form, const std::string& component,
                                         const std::string& property) override;
  bool SetProperty(FormId form, const std::string& component, const std::string& property,
                   const std::string& value) override;
  std::vector<std::string> Items(FormId form, const std::string& component) override;
  void SetItems(FormId form, const std::string& component, const std::vector<std::string>& items) override;
  std::vector<bool> Selection(FormId form, const std::string& component) override;
  void SetSelected(FormId form, const std::string& component, size_t index, bool selected) override;
  bool LoadFile(FormId form, const std::string& component, const std::string& path) override;
  TreeView* TreeOf(FormId form, const std::string& component) override;
  CheckList* CheckListOf(FormId form, const std::string& component) override;
  bool HasVerticalScrollBar(FormId form, const std::string& component) override;
  bool ScrolledToEnd(FormId form, const std::string& component) override;

  void Show(FormId form) override;
  void Hide(FormId form) override;
  bool IsVisible(FormId form) override;
  bool Focus(FormId form, const std::string& component) override;
  Bounds BoundsOf(FormId form) override;
  void MoveTo(FormId form, int left, int top) override;
  void CenterOnScreen(FormId form) override;
  void Restore(FormId form) override;
  uint64_t NativeHandle(FormId form) override;
  void SetOwnerForm(FormId form) override { ownerForm = form; }
  FormId OwnerForm() override { return ownerForm; }
  void SetModalOwner(FormId form, FormId owner) override;

  void SetEventSink(std::function<void(ToolkitEvent&)> sink) override { sink_ = std::move(sink); }
  std::function<void(ToolkitEvent&)> EventSink() override { return sink_; }
  bool ProcessOneMessage(uint32_t maxWaitMs) override;
  void ProcessPendingMessages() override;

  void StartTimer(FormId form, int timerId, uint32_t intervalMs) override;
  void StopTimer(FormId form, int timerId) override;

  void ShowTrayIcon(const std::string& hint) override;
  void HideTrayIcon() override;
  bool TrayIconShown() override { return trayShown; }
  void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon, uint32_t timeoutMs) override;

  // Taskbar buttons take progress from Windows 7 on.
  bool HasTaskbarProgress() override;
  bool SetTaskbarState(FormId form, TaskbarState state) override;
  bool SetTaskbarProgress(FormId form, uint64_t completed, uint64_t total) override;
  bool SetTaskbarOverlay(FormId form, bool on, const std::string& description) override;

  std::optional<size_t> ShowPopupMenu(const std::vector<std::string>& captions, int screenX, int screenY) override;
  void CursorPosition(int& screenX, int& screenY) override;

  // What a user does. Each returns false, changing nothing, when the component does not exist,
  // is disabled or hidden, or is not of a kind that takes the action.
  bool Click(FormId form, const std::string& component);  // buttons, labels, images, shapes, boxes
  bool TypeText(FormId form, const std::string& component, const std::string& text);
  bool SelectItem(FormId form, const std::string& component, size_t index);  // lists and combos
  bool ToggleCheck(FormId form, const std::string& component, size_t index);  // check lists
  bool SelectNode(FormId form, const std::string& component, const std::string& path);  // "\"-separated
  bool ScrollToEnd(FormId form, const std::string& component);
  bool ChooseFolder(FormId form, const std::string& component, const std::string& folder);  // folder controls
  bool PressKey(FormId form, const std::string& component, int virtualKey);
  bool TryToClose(FormId form);  // true when the window was let go
  void ClickTrayIcon();
  // The value a control shows, set as a user would set it: typed, checked ("TRUE"/"FALSE"),
  // chosen from the list, moved to. Empty on success, otherwise why it could not be done.
  std::string SetValueAsUser(FormId form, const std::string& component, const std::string& value);

  // The visible form the user sees on top; kNoForm when none is shown.
  FormId TopForm() const;
  const SimForm* FormOf(FormId form) const;
  // The components of a form that have a hint, as "Name (TClass, HINT) = value" lines.
  std::vector<std::string> BoundControls(FormId form);

  // Scripted answers of the simulated user, taken in order: "NEXT", "BACK", "CANCEL", "OK" (the
  // default button of a form without navigation buttons), "WAIT" (leave the form alone until a
  // timer takes it down), the name of a control to click, or "NAME=VALUE" to set a control's
  // value first.
  std::deque<std::string> answers;
  bool pressNextWhenDone = true;  // otherwise a wait without answers is an error
  // What the user did and saw, one line each: shown forms, their bound controls, answers.
  std::vector<std::string> log;
  std::function<void(const std::string&)> onLog;  // also told every log line

  // What the setup showed outside its forms, one line each: the tray icon, balloons, the taskbar
  // buttons' states as the user saw them (while the message loop ran or a box was up), overlays.
  std::vector<std::string> shellLog;
  bool trayShown = false;
  std::string trayHint;
  std::vector<SimBalloon> balloons;
  bool taskbarAvailable = true;
  std::map<FormId, SimTaskbarButton> taskbar;
  std::deque<std::optional<size_t>> popupAnswers;  // dismissed once empty
  std::vector<std::vector<std::string>> popupsShown;
  FormId ownerForm = kNoForm;
  int cursorX = 0;
  int cursorY = 0;

  // Fires every timer whose interval has passed on the simulated clock; the machine's message
  // queue calls it after each of its waits.
  void FireDueTimers();
  // Notes in the shell log every taskbar state that changed since the user last looked.
  void ObserveTaskbar();

 private:
  SimForm* Find(FormId form);
  SimComponent* Find(FormId form, const std::string& component);
  SimComponent* FindUsable(FormId form, const std::string& component);
  void Fire(ToolkitEvent event);
  void Log(const std::string& line);
  void BuildComponent(SimForm& form, const FormObject& object, const std::string& parent, bool isWindow);
  void ApplyFormProperty(SimComponent& component, const FormProperty& property);
  bool SetPlain(FormId form, SimComponent& component, const std::string& property, const std::string& value);
  bool SelectIndex(SimComponent& component, int index);
  void ActAsUser();
  bool PressButtonWithTag(FormId form, int tag, const std::string& answer);
  bool PressMarkedButton(FormId form, const char* mark, const std::string& answer);
  void WaitWhileShown(FormId form);
  std::optional<uint32_t> MillisecondsToNextTimer();
  // A form's timers; those on no form belong to the toolkit's own hidden window.
  std::map<int, SimTimer>* TimersOf(FormId form);
  std::vector<std::pair<FormId, std::map<int, SimTimer>*>> AllTimers();

  FileSystem& files_;
  SimClock& clock_;
  SystemInfo& system_;
  SimUserInterface& ui_;
  std::function<void(ToolkitEvent&)> sink_;
  std::map<FormId, SimForm> forms_;
  std::map<int, SimTimer> hostTimers_;
  // Boxes of the installer come from its thread; the user looks at the taskbar from this one.
  const std::thread::id mainThread_ = std::this_thread::get_id();
  std::vector<FormId> shownOrder_;  // most recently shown last
  FormId nextId_ = 1;
  FormId lastDefaultForm_ = kNoForm;
  int defaultRepeats_ = 0;
};

}  // namespace quarrix::platform::sim

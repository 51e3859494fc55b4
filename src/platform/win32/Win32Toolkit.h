#pragma once
// The wizard's window toolkit on real Win32 windows with the version 6 common controls. Every
// form is an ordinary top-level window whose controls are children created per kind; the
// message loop runs them through the dialog manager's keyboard handling, so Tab walks the tab
// order, Enter presses the default button and Escape the cancel button. A shown form's Close
// item is greyed; the engine decides on every close attempt (CloseQuery).
//
// Where the system has no control of a kind, the least that serves the engine: an HTML page is
// shown as its text in a read-only edit (no links), a movie frame shows the text it is given,
// the form shape and the glass frame are kept as components without a window, and a mask edit
// is a plain edit (its mask is not enforced).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Toolkit.h"

namespace quarrix::platform::win32 {

namespace toolkit {
struct State;
}

class Win32Toolkit : public Toolkit {
 public:
  Win32Toolkit();
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

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
  void SetOwnerForm(FormId form) override;
  FormId OwnerForm() override;
  void SetModalOwner(FormId form, FormId owner) override;

  void SetEventSink(std::function<void(ToolkitEvent&)> sink) override;
  std::function<void(ToolkitEvent&)> EventSink() override;
  bool ProcessOneMessage(uint32_t maxWaitMs) override;
  void ProcessPendingMessages() override;

  void StartTimer(FormId form, int timerId, uint32_t intervalMs) override;
  void StopTimer(FormId form, int timerId) override;

  void ShowTrayIcon(const std::string& hint) override;
  void HideTrayIcon() override;
  bool TrayIconShown() override;
  void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                   uint32_t timeoutMs) override;

  bool HasTaskbarProgress() override;
  bool SetTaskbarState(FormId form, TaskbarState state) override;
  bool SetTaskbarProgress(FormId form, uint64_t completed, uint64_t total) override;
  bool SetTaskbarOverlay(FormId form, bool on, const std::string& description) override;

  std::optional<size_t> ShowPopupMenu(const std::vector<std::string>& captions, int screenX,
                                      int screenY) override;
  void CursorPosition(int& screenX, int& screenY) override;

  // The window that message boxes and the folder browser belong to (SetOwnerForm), as the
  // system's handle; 0 for none.
  uint64_t OwnerWindow() const;

 private:
  std::unique_ptr<toolkit::State> state_;
};

}  // namespace quarrix::platform::win32

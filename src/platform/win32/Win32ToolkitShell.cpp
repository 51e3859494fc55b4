// What the toolkit shows outside its forms: the tray icon and its balloon, the taskbar button's
// progress and overlay, popup menus; and the hidden window that receives their messages.
#include "platform/win32/Win32Toolkit.h"
#include "platform/win32/Win32ToolkitParts.h"
// After <windows.h>.
#include <shobjidl.h>

namespace quarrix::platform::win32 {

using namespace toolkit;

namespace toolkit {

LRESULT CALLBACK HostProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  if (state != nullptr) {
    if (message == kTrayMessage) {
      const UINT mouse = LOWORD(lParam);
      if (mouse == WM_LBUTTONUP || mouse == WM_LBUTTONDBLCLK || mouse == NIN_SELECT || mouse == NIN_KEYSELECT) {
        ToolkitEvent event;
        event.kind = EventKind::TrayClick;
        state->Fire(event);
      }
      return 0;
    }
    if (message == taskbarCreated && state->trayShown) {
      // A restarted shell has forgotten the icon.
      NotifyIcon(NIM_ADD, state->tray);
      return 0;
    }
    if (message == WM_TIMER && wParam >= kTimerBase) {
      ToolkitEvent event;
      event.kind = EventKind::Timer;
      event.timerId = static_cast<int>(wParam - kTimerBase);
      state->Fire(event);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data) {
  using NotifyFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
  static const NotifyFunction notify =
      LookUpProcedure<NotifyFunction>(LoadLibraryW(L"shell32.dll"), "Shell_NotifyIconW");
  return notify != nullptr && notify(message, &data) != FALSE;
}

HWND HostWindow(State& state) {
  if (state.host != nullptr) return state.host;
  RegisterWindowClasses(state);
  state.host = CreateWindowExW(WS_EX_TOOLWINDOW, kHostClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleW(nullptr), &state);
  return state.host;
}

ITaskbarList3* Taskbar(State& state) {
  if (state.taskbarTried) return state.taskbar;
  state.taskbarTried = true;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  state.comStarted = SUCCEEDED(com);
  ITaskbarList3* list = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(&list))) ||
      list == nullptr)
    return nullptr;
  if (FAILED(list->HrInit())) {
    list->Release();
    return nullptr;
  }
  state.taskbar = list;
  return list;
}

}  // namespace toolkit

namespace {

HICON SetupIcon() {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  return icon ? icon : LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
}

template <size_t N>
void CopyInto(wchar_t (&target)[N], const std::string& text) {
  const std::wstring wide = Wide(text);
  const size_t count = wide.size() < N - 1 ? wide.size() : N - 1;
  wide.copy(target, count);
  target[count] = L'\0';
}

TBPFLAG FlagOf(TaskbarState state) {
  switch (state) {
    case TaskbarState::None: return TBPF_NOPROGRESS;
    case TaskbarState::Indeterminate: return TBPF_INDETERMINATE;
    case TaskbarState::Normal: return TBPF_NORMAL;
    case TaskbarState::Error: return TBPF_ERROR;
    case TaskbarState::Paused: return TBPF_PAUSED;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

void Win32Toolkit::ShowTrayIcon(const std::string& hint) {
  State& state = *state_;
  NOTIFYICONDATAW& tray = state.tray;
  tray.cbSize = sizeof tray;
  tray.hWnd = HostWindow(state);
  tray.uID = 1;
  tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray.uCallbackMessage = kTrayMessage;
  tray.hIcon = SetupIcon();
  CopyInto(tray.szTip, hint);
  if (state.trayShown) {
    NotifyIcon(NIM_MODIFY, tray);
    return;
  }
  state.trayShown = NotifyIcon(NIM_ADD, tray);
}

void Win32Toolkit::HideTrayIcon() {
  State& state = *state_;
  if (!state.trayShown) return;
  state.tray.uFlags = 0;
  NotifyIcon(NIM_DELETE, state.tray);
  state.trayShown = false;
}

bool Win32Toolkit::TrayIconShown() { return state_->trayShown; }

void Win32Toolkit::ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                               uint32_t timeoutMs) {
  State& state = *state_;
  if (!state.trayShown) ShowTrayIcon("");
  NOTIFYICONDATAW& tray = state.tray;
  tray.uFlags = NIF_INFO;
  CopyInto(tray.szInfo, text);
  CopyInto(tray.szInfoTitle, title);
  tray.dwInfoFlags = static_cast<DWORD>(icon);
  tray.uTimeout = timeoutMs;
  NotifyIcon(NIM_MODIFY, tray);
}

bool Win32Toolkit::HasTaskbarProgress() { return Taskbar(*state_) != nullptr; }

bool Win32Toolkit::SetTaskbarState(FormId form, TaskbarState taskbarState) {
  Form* found = state_->FormOf(form);
  ITaskbarList3* taskbar = Taskbar(*state_);
  if (found == nullptr || taskbar == nullptr) return false;
  return SUCCEEDED(taskbar->SetProgressState(found->hwnd, FlagOf(taskbarState)));
}

bool Win32Toolkit::SetTaskbarProgress(FormId form, uint64_t completed, uint64_t total) {
  Form* found = state_->FormOf(form);
  ITaskbarList3* taskbar = Taskbar(*state_);
  if (found == nullptr || taskbar == nullptr) return false;
  return SUCCEEDED(taskbar->SetProgressValue(found->hwnd, completed, total));
}

bool Win32Toolkit::SetTaskbarOverlay(FormId form, bool on, const std::string& description) {
  Form* found = state_->FormOf(form);
  ITaskbarList3* taskbar = Taskbar(*state_);
  if (found == nullptr || taskbar == nullptr) return false;
  const std::wstring text = Wide(description);
  HICON icon = on ? LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION)) : nullptr;
  return SUCCEEDED(taskbar->SetOverlayIcon(found->hwnd, icon, on ? text.c_str() : nullptr));
}

std::optional<size_t> Win32Toolkit::ShowPopupMenu(const std::vector<std::string>& captions, int screenX,
                                                  int screenY) {
  State& state = *state_;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return std::nullopt;
  for (size_t i = 0; i < captions.size(); ++i) {
    if (captions[i].empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      const std::wstring caption = Wide(captions[i]);
      AppendMenuW(menu, MF_STRING, i + 1, caption.c_str());
    }
  }
  // The menu belongs to a window in front: the owner window, else the active form; the hidden
  // host only when the toolkit shows no form (a menu of the tray icon).
  HWND owner = state.owner;
  if (owner == nullptr && state.FormOfWindow(GetActiveWindow()) != nullptr) owner = GetActiveWindow();
  if (owner == nullptr) owner = HostWindow(state);
  SetForegroundWindow(owner);
  const auto chosen = static_cast<UINT_PTR>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                           screenX, screenY, 0, owner, nullptr));
  // Without this the menu would not close on the next click elsewhere.
  PostMessageW(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (chosen == 0 || chosen > captions.size()) return std::nullopt;
  return static_cast<size_t>(chosen - 1);
}

void Win32Toolkit::CursorPosition(int& screenX, int& screenY) {
  POINT cursor{};
  GetCursorPos(&cursor);
  screenX = cursor.x;
  screenY = cursor.y;
}

}  // namespace quarrix::platform::win32

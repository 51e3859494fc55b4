// Forms: building a window from a dialog file, properties and lists by component name, showing,
// focus and placement, the message loop and timers.
#include "platform/win32/Win32Toolkit.h"

#include <algorithm>

#include "platform/ControlClasses.h"
#include "platform/win32/Win32ToolkitParts.h"
// After <windows.h>.
#include <richedit.h>
#include <shobjidl.h>

namespace quarrix::platform::win32 {

using namespace toolkit;

namespace toolkit {

Control::~Control() {
  if (font) DeleteObject(font);
  if (brush) DeleteObject(brush);
  if (bitmap) DeleteObject(bitmap);
}

Control* Form::Find(const std::string& name) {
  if (name.empty()) return nullptr;
  for (auto& control : controls)
    if (EqualsIgnoreCase(control->name, name)) return control.get();
  return nullptr;
}

State::~State() {
  for (auto& [id, form] : forms)
    if (form->hwnd) DestroyWindow(form->hwnd);
  forms.clear();
  formsByHandle.clear();
  if (trayShown) NotifyIcon(NIM_DELETE, tray);
  if (taskbar) taskbar->Release();
  if (host) DestroyWindow(host);
  if (treeImages) ImageList_Destroy(treeImages);
  if (comStarted) CoUninitialize();
}

Form* State::FormOf(FormId form) {
  auto found = forms.find(form);
  return found == forms.end() ? nullptr : found->second.get();
}

Form* State::FormOfWindow(HWND hwnd) {
  auto found = formsByHandle.find(hwnd);
  return found == formsByHandle.end() ? nullptr : found->second;
}

Control* State::ControlOf(FormId form, const std::string& component) {
  Form* found = FormOf(form);
  if (found == nullptr) return nullptr;
  return component.empty() ? &found->self : found->Find(component);
}

void State::Fire(ToolkitEvent& event) {
  if (quiet > 0 || !sink) return;
  sink(event);
}

}  // namespace toolkit

namespace {

void CheckClasses(const FormObject& object) {
  for (const FormObject& child : object.children) {
    if (!IsControlClass(child.className) && !EqualsIgnoreCase(child.name, kFormDesignerName))
      throw FormError("unknown control class " + child.className + " of " + child.name, child.line);
    CheckClasses(child);
  }
}

std::string Stored(const FormObject& object, const char* name, const std::string& fallback) {
  const FormProperty* property = object.Find(name);
  return property ? ValueText(property->value) : fallback;
}

long long StoredNumber(const FormObject& object, const char* name, long long fallback) {
  return ParseInteger(Stored(object, name, "")).value_or(fallback);
}

bool HasIcon(const FormObject& object, const char* icon) {
  const FormProperty* icons = object.Find("BorderIcons");
  if (icons == nullptr) return true;
  for (const std::string& item : icons->value.items)
    if (EqualsIgnoreCase(item, icon)) return true;
  return false;
}

void WindowStyles(const FormObject& object, DWORD& style, DWORD& exStyle) {
  const std::string border = Stored(object, "BorderStyle", "bsSizeable");
  exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  if (EqualsIgnoreCase(border, "bsNone")) {
    style = WS_POPUP;
    return;
  }
  style = WS_CAPTION | WS_CLIPCHILDREN;
  if (HasIcon(object, "biSystemMenu")) style |= WS_SYSMENU;
  if (EqualsIgnoreCase(border, "bsDialog")) {
    exStyle |= WS_EX_DLGMODALFRAME;
    return;
  }
  if (EqualsIgnoreCase(border, "bsToolWindow") || EqualsIgnoreCase(border, "bsSizeToolWin")) exStyle |= WS_EX_TOOLWINDOW;
  if (HasIcon(object, "biMinimize")) style |= WS_MINIMIZEBOX;
  if (EqualsIgnoreCase(border, "bsSizeable") || EqualsIgnoreCase(border, "bsSizeToolWin")) {
    style |= WS_THICKFRAME;
    if (HasIcon(object, "biMaximize")) style |= WS_MAXIMIZEBOX;
  }
}

double ScaleOf(const FormObject& object) {
  if (Stored(object, "Scaled", "True") == "False") return 1.0;
  const long long designed = StoredNumber(object, "PixelsPerInch", 96);
  HDC screen = GetDC(nullptr);
  const int actual = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (designed <= 0 || actual <= 0) return 1.0;
  return static_cast<double>(actual) / static_cast<double>(designed);
}

void CreateChildren(State& state, Form& form, const FormObject& object, HWND parentWindow,
                    const std::string& parentName, HFONT parentFont) {
  for (const FormObject& child : object.children) {
    Control& control = CreateControl(state, form, child, parentWindow, parentName, parentFont);
    HFONT font = control.font ? control.font : parentFont;
    CreateChildren(state, form, child, control.hwnd ? control.hwnd : parentWindow, control.name, font);
    ApplyStoredProperties(state, form, control, child);
  }
}

// Tab order is the order of siblings: windowed controls by TabOrder, then the rest, the later
// above the earlier as the authoring tool paints them.
void ArrangeSiblings(Form& form) {
  std::map<HWND, std::vector<Control*>> byParent;
  for (auto& control : form.controls)
    if (control->hwnd) byParent[GetParent(control->hwnd)].push_back(control.get());
  for (auto& [parent, children] : byParent) {
    std::vector<Control*> windowed, drawn;
    for (Control* child : children) (IsWindowed(child->kind) ? windowed : drawn).push_back(child);
    std::stable_sort(windowed.begin(), windowed.end(), [](const Control* a, const Control* b) {
      const int left = a->tabOrder < 0 ? INT32_MAX : a->tabOrder;
      const int right = b->tabOrder < 0 ? INT32_MAX : b->tabOrder;
      return left < right;
    });
    std::reverse(drawn.begin(), drawn.end());
    HWND after = HWND_TOP;
    for (auto* list : {&windowed, &drawn})
      for (Control* child : *list) {
        SetWindowPos(child->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        after = child->hwnd;
      }
  }
}

void ConnectPartners(State& state, Form& form) {
  for (auto& control : form.controls) {
    if (control->kind == Kind::UpDown) {
      auto associate = control->stored.find("Associate");
      if (associate != control->stored.end())
        if (Control* buddy = form.Find(associate->second); buddy && buddy->hwnd)
          SendMessageW(control->hwnd, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy->hwnd), 0);
    }
    if (control->kind == Kind::PageControl) {
      // Every sheet fills the display area the page control has now that all its tabs are in.
      RECT area;
      GetClientRect(control->hwnd, &area);
      TabCtrl_AdjustRect(control->hwnd, FALSE, &area);
      for (auto& sheet : form.controls)
        if (sheet->kind == Kind::TabSheet && sheet->parent == control->name)
          SetWindowPos(sheet->hwnd, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
      auto active = control->stored.find("ActivePage");
      if (active == control->stored.end() || !WriteProperty(state, form, *control, "ActivePage", active->second))
        SelectTab(state, form, *control, 0);
    }
  }
}

std::string ReadWholeFile(const std::string& path, bool& ok) {
  ok = false;
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string data;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) data.append(buffer, read);
  CloseHandle(file);
  ok = true;
  return data;
}

// The text of an HTML page for a viewer that shows no markup: tags left out, line breaks kept.
std::string PageText(const std::string& page, std::string& title) {
  std::string text;
  const std::string lower = ToLowerAscii(page);
  const size_t titleStart = lower.find("<title>");
  const size_t titleEnd = lower.find("</title>");
  if (titleStart != std::string::npos && titleEnd != std::string::npos && titleEnd > titleStart)
    title = page.substr(titleStart + 7, titleEnd - titleStart - 7);
  const size_t bodyStart = lower.find("<body");
  bool inTag = false;
  for (size_t i = bodyStart == std::string::npos ? 0 : bodyStart; i < page.size(); ++i) {
    const char c = page[i];
    if (c == '<') {
      const std::string tag = lower.substr(i, 4);
      if (tag == "<br>" || tag == "<br/" || tag == "<p>" || tag.substr(0, 3) == "<p " || tag == "</p>" ||
          tag.substr(0, 3) == "<h1" || tag.substr(0, 3) == "<li")
        text += "\r\n";
      inTag = true;
    } else if (c == '>') {
      inTag = false;
    } else if (!inTag && c != '\r' && c != '\n') {
      text += c;
    } else if (!inTag && c == '\n' && !text.empty() && text.back() != ' ') {
      text += ' ';
    }
  }
  return text;
}

}  // namespace

Win32Toolkit::Win32Toolkit() : state_(std::make_unique<State>()) {}
Win32Toolkit::~Win32Toolkit() = default;

FormId Win32Toolkit::CreateForm(const FormObject& object) {
  State& state = *state_;
  CheckClasses(object);
  RegisterWindowClasses(state);
  auto owned = std::make_unique<Form>();
  Form& form = *owned;
  form.id = state.nextId++;
  form.scale = ScaleOf(object);
  form.self.name = object.name;
  form.self.className = object.className;
  form.self.kind = Kind::Panel;
  form.self.visible = false;
  for (const FormProperty& property : object.properties) form.self.stored[property.name] = ValueText(property.value);

  DWORD style = 0, exStyle = 0;
  WindowStyles(object, style, exStyle);
  const auto scaled = [&](const char* name, long long fallback) {
    return static_cast<int>(static_cast<double>(StoredNumber(object, name, fallback)) * form.scale);
  };
  RECT frame{0, 0, scaled("Width", 400), scaled("Height", 300)};
  if (object.Find("ClientWidth") || object.Find("ClientHeight")) {
    frame = RECT{0, 0, scaled("ClientWidth", 400), scaled("ClientHeight", 300)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  Quiet quiet(state);
  form.hwnd = CreateWindowExW(exStyle, kFormClass, Wide(Stored(object, "Caption", "")).c_str(), style,
                              scaled("Left", 0), scaled("Top", 0), frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, GetModuleHandleW(nullptr), &state);
  if (form.hwnd == nullptr) throw FormError("cannot create the window of " + object.name, object.line);
  form.self.hwnd = form.hwnd;
  state.forms[form.id] = std::move(owned);
  state.formsByHandle[form.hwnd] = &form;
  try {
    form.self.font = FontOf(object, form.scale, nullptr);
    SendMessageW(form.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(form.self.font), FALSE);
    CreateChildren(state, form, object, form.hwnd, "", form.self.font);
    for (const FormProperty& property : object.properties) {
      const std::string& name = property.name;
      if (EqualsIgnoreCase(name, "Visible") || EqualsIgnoreCase(name, "Caption") || EqualsIgnoreCase(name, "Left") ||
          EqualsIgnoreCase(name, "Top") || EqualsIgnoreCase(name, "Width") || EqualsIgnoreCase(name, "Height") ||
          EqualsIgnoreCase(name, "ClientWidth") || EqualsIgnoreCase(name, "ClientHeight") ||
          StartsWith(ToLowerAscii(name), "font."))
        continue;
      WriteProperty(state, form, form.self, name, ValueText(property.value));
    }
    form.activeControl = Stored(object, "ActiveControl", "");
    ArrangeSiblings(form);
    ConnectPartners(state, form);
  } catch (...) {
    DestroyForm(form.id);
    throw;
  }
  return form.id;
}

void Win32Toolkit::DestroyForm(FormId id) {
  State& state = *state_;
  Form* form = state.FormOf(id);
  if (form == nullptr) return;
  HWND hwnd = form->hwnd;
  if (form->modalOwner != nullptr) EnableWindow(form->modalOwner, TRUE);
  state.formsByHandle.erase(hwnd);
  if (state.owner == hwnd) state.owner = nullptr;
  if (hwnd) DestroyWindow(hwnd);
  state.forms.erase(id);
}

std::vector<ComponentInfo> Win32Toolkit::Components(FormId id) {
  std::vector<ComponentInfo> components;
  if (Form* form = state_->FormOf(id))
    for (auto& control : form->controls) components.push_back({control->name, control->className, control->parent});
  return components;
}

std::optional<std::string> Win32Toolkit::GetProperty(FormId id, const std::string& component,
                                                     const std::string& property) {
  Control* control = state_->ControlOf(id, component);
  if (control == nullptr) return std::nullopt;
  return ReadProperty(*state_, *state_->FormOf(id), *control, property);
}

bool Win32Toolkit::SetProperty(FormId id, const std::string& component, const std::string& property,
                               const std::string& value) {
  Control* control = state_->ControlOf(id, component);
  if (control == nullptr) return false;
  Form& form = *state_->FormOf(id);
  const bool written = WriteProperty(*state_, form, *control, property, value);
  if (written && EqualsIgnoreCase(property, "TabOrder") && state_->FormOf(id) == &form) ArrangeSiblings(form);
  return written;
}

std::vector<std::string> Win32Toolkit::Items(FormId id, const std::string& component) {
  Control* control = state_->ControlOf(id, component);
  return control ? ReadItems(*control) : std::vector<std::string>{};
}

void Win32Toolkit::SetItems(FormId id, const std::string& component, const std::vector<std::string>& items) {
  if (Control* control = state_->ControlOf(id, component)) WriteItems(*state_, *control, items);
}

std::vector<bool> Win32Toolkit::Selection(FormId id, const std::string& component) {
  Control* control = state_->ControlOf(id, component);
  return control ? ReadSelection(*control) : std::vector<bool>{};
}

void Win32Toolkit::SetSelected(FormId id, const std::string& component, size_t index, bool selected) {
  if (Control* control = state_->ControlOf(id, component)) WriteSelected(*state_, *control, index, selected);
}

bool Win32Toolkit::LoadFile(FormId id, const std::string& component, const std::string& path) {
  Control* control = state_->ControlOf(id, component);
  if (control == nullptr || control->hwnd == nullptr) return false;
  bool ok = false;
  const std::string data = ReadWholeFile(path, ok);
  if (!ok) return false;
  switch (control->kind) {
    case Kind::Memo:
      SetWindowTextAnsi(control->hwnd, ReplaceAll(ReplaceAll(data, "\r\n", "\n"), "\n", "\r\n"));
      return true;
    case Kind::RichEdit: {
      // Rich text is read as such when it starts like rich text; anything else is plain text.
      SETTEXTEX how{ST_DEFAULT, CP_ACP};
      const std::string text = StartsWith(data, "{\\rtf") ? data : ReplaceAll(ReplaceAll(data, "\r\n", "\n"), "\n", "\r\n");
      SendMessageW(control->hwnd, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text.c_str()));
      return true;
    }
    case Kind::HtmlViewer: {
      std::string title;
      const std::string text = PageText(data, title);
      SetWindowTextAnsi(control->hwnd, text);
      control->document = path;
      control->stored["DocumentTitle"] = title;
      control->stored["CurrentFile"] = path;
      return true;
    }
    default:
      return false;
  }
}

TreeView* Win32Toolkit::TreeOf(FormId id, const std::string& component) {
  Control* control = state_->ControlOf(id, component);
  return control ? control->tree.get() : nullptr;
}

CheckList* Win32Toolkit::CheckListOf(FormId id, const std::string& component) {
  Control* control = state_->ControlOf(id, component);
  return control ? control->checks.get() : nullptr;
}

bool Win32Toolkit::HasVerticalScrollBar(FormId id, const std::string& component) {
  Control* control = state_->ControlOf(id, component);
  if (control == nullptr || control->hwnd == nullptr) return false;
  if ((GetWindowLongPtrW(control->hwnd, GWL_STYLE) & WS_VSCROLL) == 0) return false;
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(control->hwnd, SB_VERT, &info)) return false;
  // A bar whose page shows the whole range has nothing to scroll.
  return info.nMax - info.nMin >= static_cast<int>(info.nPage);
}

bool Win32Toolkit::ScrolledToEnd(FormId id, const std::string& component) {
  Control* control = state_->ControlOf(id, component);
  if (control == nullptr || control->hwnd == nullptr) return false;
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(control->hwnd, SB_VERT, &info)) return true;
  const int remaining = info.nMax - info.nPos;
  return remaining < 0 || static_cast<int>(info.nPage) >= remaining;
}

void Win32Toolkit::Show(FormId id) {
  Form* form = state_->FormOf(id);
  if (form == nullptr) return;
  form->self.visible = true;
  // A wizard page has no working close item: the system menu as the system makes it, with Close
  // greyed. A close attempt still reaches the engine as CloseQuery.
  GetSystemMenu(form->hwnd, TRUE);
  EnableMenuItem(GetSystemMenu(form->hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  ShowWindow(form->hwnd, SW_SHOW);
  UpdateWindow(form->hwnd);
}

void Win32Toolkit::Hide(FormId id) {
  Form* form = state_->FormOf(id);
  if (form == nullptr) return;
  form->self.visible = false;
  ShowWindow(form->hwnd, SW_HIDE);
}

bool Win32Toolkit::IsVisible(FormId id) {
  Form* form = state_->FormOf(id);
  return form != nullptr && IsWindowVisible(form->hwnd) != FALSE;
}

bool Win32Toolkit::Focus(FormId id, const std::string& component) {
  Form* form = state_->FormOf(id);
  if (form == nullptr) return false;
  HWND target = nullptr;
  if (component.empty()) {
    SetForegroundWindow(form->hwnd);
    if (Control* active = form->Find(form->activeControl); active && active->hwnd && IsWindowEnabled(active->hwnd) &&
                                                           IsWindowVisible(active->hwnd))
      target = active->hwnd;
    else if (form->lastFocus && IsWindow(form->lastFocus) && IsChild(form->hwnd, form->lastFocus))
      target = form->lastFocus;
    else
      target = GetNextDlgTabItem(form->hwnd, nullptr, FALSE);
    if (target == nullptr) target = form->hwnd;
  } else {
    Control* control = form->Find(component);
    if (control == nullptr || control->hwnd == nullptr || !IsWindowEnabled(control->hwnd) ||
        !IsWindowVisible(control->hwnd))
      return false;
    target = control->hwnd;
  }
  SetFocus(target);
  if (target != form->hwnd) form->lastFocus = target;
  return GetFocus() == target;
}

Bounds Win32Toolkit::BoundsOf(FormId id) {
  Form* form = state_->FormOf(id);
  if (form == nullptr) return {};
  RECT rect{};
  GetWindowRect(form->hwnd, &rect);
  return Bounds{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void Win32Toolkit::MoveTo(FormId id, int left, int top) {
  if (Form* form = state_->FormOf(id))
    SetWindowPos(form->hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Toolkit::CenterOnScreen(FormId id) {
  Form* form = state_->FormOf(id);
  if (form == nullptr) return;
  RECT work{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
    work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const Bounds bounds = BoundsOf(id);
  MoveTo(id, work.left + (work.right - work.left - bounds.width) / 2,
         work.top + (work.bottom - work.top - bounds.height) / 2);
}

void Win32Toolkit::Restore(FormId id) {
  Form* form = state_->FormOf(id);
  if (form == nullptr) return;
  form->self.visible = true;
  ShowWindow(form->hwnd, SW_SHOW);
  BringWindowToTop(form->hwnd);
  SendMessageW(form->hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  SetForegroundWindow(form->hwnd);
}

uint64_t Win32Toolkit::NativeHandle(FormId id) {
  Form* form = state_->FormOf(id);
  return form ? static_cast<uint64_t>(reinterpret_cast<uintptr_t>(form->hwnd)) : 0;
}

void Win32Toolkit::SetOwnerForm(FormId id) {
  Form* form = state_->FormOf(id);
  state_->owner = form ? form->hwnd : nullptr;
}

FormId Win32Toolkit::OwnerForm() {
  Form* form = state_->owner ? state_->FormOfWindow(state_->owner) : nullptr;
  return form ? form->id : kNoForm;
}

void Win32Toolkit::SetModalOwner(FormId id, FormId ownerId) {
  Form* form = state_->FormOf(id);
  if (form == nullptr) return;
  if (form->modalOwner != nullptr) {
    // Enabled again before this one goes, so that the system activates the owner, not another
    // program.
    EnableWindow(form->modalOwner, TRUE);
    SetWindowLongPtrW(form->hwnd, GWLP_HWNDPARENT, 0);
    form->modalOwner = nullptr;
  }
  Form* owner = state_->FormOf(ownerId);
  if (owner == nullptr || owner == form) return;
  form->modalOwner = owner->hwnd;
  SetWindowLongPtrW(form->hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner->hwnd));
  EnableWindow(owner->hwnd, FALSE);
}

uint64_t Win32Toolkit::OwnerWindow() const { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(state_->owner)); }

void Win32Toolkit::SetEventSink(std::function<void(ToolkitEvent&)> sink) { state_->sink = std::move(sink); }

std::function<void(ToolkitEvent&)> Win32Toolkit::EventSink() { return state_->sink; }

namespace {

void Dispatch(State& state, MSG& message) {
  // Keyboard navigation of the dialog manager for the toolkit's forms: Tab, arrows, Enter, Escape.
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root != nullptr && state.FormOfWindow(root) != nullptr && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

bool Win32Toolkit::ProcessOneMessage(uint32_t maxWaitMs) {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (maxWaitMs == 0) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, maxWaitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  }
  Dispatch(*state_, message);
  return true;
}

void Win32Toolkit::ProcessPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) Dispatch(*state_, message);
}

void Win32Toolkit::StartTimer(FormId id, int timerId, uint32_t intervalMs) {
  Form* form = state_->FormOf(id);
  HWND window = form ? form->hwnd : HostWindow(*state_);
  SetTimer(window, kTimerBase + static_cast<UINT_PTR>(timerId), intervalMs, nullptr);
}

void Win32Toolkit::StopTimer(FormId id, int timerId) {
  Form* form = state_->FormOf(id);
  HWND window = form ? form->hwnd : state_->host;
  if (window) KillTimer(window, kTimerBase + static_cast<UINT_PTR>(timerId));
}

}  // namespace quarrix::platform::win32

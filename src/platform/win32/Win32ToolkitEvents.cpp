// What the controls tell their form, turned into the toolkit's events: clicks, changes, checks,
// folder moves, the dialog manager's default and cancel buttons, colours, close and minimise.
#include "platform/win32/Win32ToolkitParts.h"

namespace quarrix::platform::win32::toolkit {

namespace {

ToolkitEvent EventOf(EventKind kind, Form& form, const Control& control) {
  ToolkitEvent event;
  event.kind = kind;
  event.form = form.id;
  event.component = control.name;
  return event;
}

void Fire(State& state, Form& form, const Control& control, EventKind kind, const std::string& text = {}) {
  ToolkitEvent event = EventOf(kind, form, control);
  event.text = text;
  state.Fire(event);
}

bool Usable(const Control& control) {
  return control.hwnd != nullptr && control.visible && IsWindowEnabled(control.hwnd) && IsWindowVisible(control.hwnd);
}

Control* DefaultOrCancel(Form& form, bool cancel) {
  for (auto& control : form.controls)
    if ((cancel ? control->isCancel : control->isDefault) && Usable(*control)) return control.get();
  return nullptr;
}

// The colour a control is painted on: its own, or else that of the nearest container that has one.
const Control* ColourSource(Form& form, const Control& control, bool own) {
  if (own && control.brush) return &control;
  for (const Control* parent = form.Find(control.parent); parent != nullptr; parent = form.Find(parent->parent))
    if (parent->brush) return parent;
  return form.self.brush ? &form.self : nullptr;
}

LRESULT ControlColour(Form& form, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = form.byHandle.find(reinterpret_cast<HWND>(lParam));
  if (found == form.byHandle.end()) return DefWindowProcW(form.hwnd, message, wParam, lParam);
  const Control& control = *found->second;
  auto dc = reinterpret_cast<HDC>(wParam);
  const bool editLike = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  // Labels and check boxes show what lies beneath them unless they have a colour of their own.
  const bool ownColour = editLike || control.kind == Kind::Panel || control.kind == Kind::TabSheet ||
                         control.kind == Kind::StaticText;
  const LRESULT standard = DefWindowProcW(form.hwnd, message, wParam, lParam);
  if (control.fontColor) SetTextColor(dc, *control.fontColor);
  const Control* source = ColourSource(form, control, ownColour);
  if (source == nullptr || (editLike && source != &control)) return standard;
  SetBkColor(dc, *source->color);
  return reinterpret_cast<LRESULT>(source->brush);
}

LRESULT DefaultButtonId(Form& form) {
  // A focused push button is the one Enter presses, as in a dialog box.
  if (auto focused = form.byHandle.find(GetFocus()); focused != form.byHandle.end() &&
                                                     focused->second->kind == Kind::Button)
    return MAKELRESULT(focused->second->id, DC_HASDEFID);
  if (Control* button = DefaultOrCancel(form, false)) return MAKELRESULT(button->id, DC_HASDEFID);
  return 0;
}

void ComboSelectionChanged(State& state, Form& form, Control& control) {
  const auto index = SendMessageW(control.hwnd, CB_GETCURSEL, 0, 0);
  switch (control.kind) {
    case Kind::DriveComboBox:
    case Kind::ShellCombo:
      if (index >= 0 && static_cast<size_t>(index) < control.folderEntries.size())
        WriteProperty(state, form, control, "Directory", control.folderEntries[static_cast<size_t>(index)]);
      return;
    case Kind::FilterComboBox:
      if (index >= 0 && static_cast<size_t>(index) < control.filterMasks.size())
        control.mask = control.filterMasks[static_cast<size_t>(index)];
      Fire(state, form, control, EventKind::Change, control.mask);
      return;
    default: {
      // The edit part shows the choice only after this notification; the handlers read it now.
      std::string text;
      if (index >= 0) {
        const auto length = SendMessageW(control.hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring wide(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(control.hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(static_cast<size_t>(length > 0 ? length : 0));
        text = Ansi(wide);
        if ((GetWindowLongPtrW(control.hwnd, GWL_STYLE) & CBS_DROPDOWNLIST) != CBS_DROPDOWNLIST) {
          Quiet quiet(state);
          SetWindowTextAnsi(control.hwnd, text);
        }
      }
      // The click's handler may take the form down; the change goes only to what is still there.
      const FormId id = form.id;
      const std::string name = control.name;
      Fire(state, form, control, EventKind::Click, text);
      Form* still = state.FormOf(id);
      if (Control* same = still ? still->Find(name) : nullptr) Fire(state, *still, *same, EventKind::Change, text);
      return;
    }
  }
}

void ListSelectionChanged(State& state, Form& form, Control& control) {
  const auto index = SendMessageW(control.hwnd, LB_GETCURSEL, 0, 0);
  switch (control.kind) {
    case Kind::FileListBox:
    case Kind::ShellList: {
      const bool known = index >= 0 && static_cast<size_t>(index) < control.folderEntries.size();
      Fire(state, form, control, EventKind::Change, known ? control.folderEntries[static_cast<size_t>(index)] : "");
      return;
    }
    case Kind::DirectoryListBox:
    case Kind::ShellTree:
      return;  // a folder is opened by a double click
    default:
      Fire(state, form, control, EventKind::Click);
      return;
  }
}

void ListDoubleClicked(State& state, Form& form, Control& control) {
  const auto index = static_cast<int>(SendMessageW(control.hwnd, LB_GETCURSEL, 0, 0));
  if (auto folder = FolderOfLine(control, index)) WriteProperty(state, form, control, "Directory", *folder);
}

}  // namespace

LRESULT HandleCommand(State& state, Form& form, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  Control* control = nullptr;
  if (auto found = form.byHandle.find(reinterpret_cast<HWND>(lParam)); found != form.byHandle.end())
    control = found->second;
  else if (auto byId = form.byId.find(id); byId != form.byId.end())
    control = byId->second;
  else if (id == IDOK || id == IDCANCEL) {
    // Enter with no default button, or Escape: the dialog manager's IDOK and IDCANCEL.
    control = DefaultOrCancel(form, id == IDCANCEL);
    if (control != nullptr) Fire(state, form, *control, EventKind::Click);
    return 0;
  }
  if (control == nullptr || state.quiet > 0) return 0;
  switch (control->kind) {
    case Kind::Button:
    case Kind::SpeedButton:
    case Kind::CheckBox:
    case Kind::RadioButton:
      if (code == BN_CLICKED && Usable(*control)) Fire(state, form, *control, EventKind::Click);
      break;
    case Kind::Label:
    case Kind::StaticText:
    case Kind::Image:
      if (code == STN_CLICKED) Fire(state, form, *control, EventKind::Click);
      break;
    case Kind::Edit:
    case Kind::MaskEdit:
    case Kind::Memo:
    case Kind::RichEdit:
      if (code == EN_CHANGE) Fire(state, form, *control, EventKind::Change);
      break;
    case Kind::ListBox:
    case Kind::FileListBox:
    case Kind::DirectoryListBox:
    case Kind::ShellTree:
    case Kind::ShellList:
      if (code == LBN_SELCHANGE) ListSelectionChanged(state, form, *control);
      if (code == LBN_DBLCLK) ListDoubleClicked(state, form, *control);
      break;
    case Kind::ComboBox:
    case Kind::DriveComboBox:
    case Kind::FilterComboBox:
    case Kind::ShellCombo:
      if (code == CBN_SELCHANGE) ComboSelectionChanged(state, form, *control);
      if (code == CBN_EDITCHANGE) Fire(state, form, *control, EventKind::Change);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT HandleNotify(State& state, Form& form, NMHDR& header) {
  auto found = form.byHandle.find(header.hwndFrom);
  if (found == form.byHandle.end() || state.quiet > 0) return 0;
  Control& control = *found->second;
  switch (control.kind) {
    case Kind::CheckListBox:
      if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) == 0) break;
        const UINT toggled = change.uNewState ^ change.uOldState;
        if ((toggled & LVIS_STATEIMAGEMASK) != 0 && (change.uOldState & LVIS_STATEIMAGEMASK) != 0)
          Fire(state, form, control, EventKind::ClickCheck, std::to_string(change.iItem));
        else if ((toggled & LVIS_SELECTED) != 0 && (change.uNewState & LVIS_SELECTED) != 0)
          Fire(state, form, control, EventKind::Click, std::to_string(change.iItem));
      }
      break;
    case Kind::TreeView:
      if (header.code == TVN_SELCHANGEDW) {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        const std::string text = change.itemNew.hItem ? control.tree->Text(control.tree->NodeOf(change.itemNew.hItem)) : "";
        Fire(state, form, control, EventKind::Change, text);
      } else if (header.code == NM_CLICK) {
        // The tree view eats its own button release; its click stands for it.
        POINT cursor;
        GetCursorPos(&cursor);
        ScreenToClient(control.hwnd, &cursor);
        ToolkitEvent event = EventOf(EventKind::MouseUp, form, control);
        event.x = cursor.x;
        event.y = cursor.y;
        state.Fire(event);
      }
      break;
    case Kind::PageControl:
      if (header.code == TCN_SELCHANGE) {
        ShowTabSheets(form, control);
        Fire(state, form, control, EventKind::Change);
      }
      break;
    default:
      break;
  }
  return 0;
}

void HandleScroll(State& state, Form& form, HWND window) {
  auto found = form.byHandle.find(window);
  if (found == form.byHandle.end() || state.quiet > 0) return;
  Control& control = *found->second;
  if (control.kind != Kind::TrackBar && control.kind != Kind::UpDown) return;
  const auto position = ReadProperty(state, form, control, "Position").value_or("");
  if (control.stored["Position"] == position) return;
  control.stored["Position"] = position;
  Fire(state, form, control, EventKind::Change, position);
}

LRESULT CALLBACK FormProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  Form* form = state ? state->FormOfWindow(hwnd) : nullptr;
  if (form == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      return HandleCommand(*state, *form, wParam, lParam);
    case WM_NOTIFY:
      return HandleNotify(*state, *form, *reinterpret_cast<NMHDR*>(lParam));
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam != 0) HandleScroll(*state, *form, reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      return DefaultButtonId(*form);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return ControlColour(*form, message, wParam, lParam);
    case WM_ERASEBKGND:
      if (form->self.brush) {
        RECT area;
        GetClientRect(hwnd, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, form->self.brush);
        return 1;
      }
      break;
    case WM_CLOSE: {
      // Whether the window may close is the engine's decision. Closed, it is hidden: the form
      // stays the engine's until it destroys it.
      ToolkitEvent event;
      event.kind = EventKind::CloseQuery;
      event.form = form->id;
      state->Fire(event);
      if (event.handled && state->FormOfWindow(hwnd) == form) {
        form->self.visible = false;
        ShowWindow(hwnd, SW_HIDE);
      }
      return 0;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        const FormId id = form->id;
        DefWindowProcW(hwnd, message, wParam, lParam);
        ToolkitEvent event;
        event.kind = EventKind::Minimize;
        event.form = id;
        state->Fire(event);
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd, focus)) form->lastFocus = focus;
      } else {
        // Back to the control that had the focus when the window was left, as a dialog box does.
        if (form->lastFocus != nullptr && IsWindow(form->lastFocus) && IsChild(hwnd, form->lastFocus))
          SetFocus(form->lastFocus);
        else
          DefWindowProcW(hwnd, message, wParam, lParam);
        ToolkitEvent event;
        event.kind = EventKind::Activate;
        event.form = form->id;
        state->Fire(event);
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam >= kTimerBase) {
        ToolkitEvent event;
        event.kind = EventKind::Timer;
        event.form = form->id;
        event.timerId = static_cast<int>(wParam - kTimerBase);
        state->Fire(event);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace quarrix::platform::win32::toolkit

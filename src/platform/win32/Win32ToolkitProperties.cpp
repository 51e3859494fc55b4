// Published properties by name: read from and written to the live windows where the window holds
// the state, kept as text where it does not (hint, tag, tab order).
#include <algorithm>

#include "platform/win32/Win32ToolkitParts.h"

namespace quarrix::platform::win32::toolkit {

namespace {

bool IsTextEdit(Kind kind) {
  return kind == Kind::Edit || kind == Kind::MaskEdit || kind == Kind::Memo || kind == Kind::RichEdit;
}
bool IsRange(Kind kind) {
  return kind == Kind::ProgressBar || kind == Kind::Gauge || kind == Kind::TrackBar || kind == Kind::UpDown;
}
bool IsCombo(Kind kind) {
  return kind == Kind::ComboBox || kind == Kind::DriveComboBox || kind == Kind::FilterComboBox ||
         kind == Kind::ShellCombo;
}
bool IsFolderControl(Kind kind) {
  return kind == Kind::FileListBox || kind == Kind::DirectoryListBox || kind == Kind::DriveComboBox ||
         kind == Kind::ShellTree || kind == Kind::ShellList || kind == Kind::ShellCombo;
}
bool IsCheckable(Kind kind) { return kind == Kind::CheckBox || kind == Kind::RadioButton; }

bool Is(const std::string& property, const char* name) { return EqualsIgnoreCase(property, name); }

void FireChange(State& state, Form& form, Control& control, EventKind kind = EventKind::Change) {
  ToolkitEvent event;
  event.kind = kind;
  event.form = form.id;
  event.component = control.name;
  state.Fire(event);
}

// Position and size relative to the parent's client area, in dialog-file pixels.
RECT PlacementOf(Form& form, Control& control) {
  RECT rect{};
  if (&control == &form.self) {
    GetWindowRect(control.hwnd, &rect);
    return rect;
  }
  GetWindowRect(control.hwnd, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control.hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int Unscaled(Form& form, LONG pixels) { return static_cast<int>(static_cast<double>(pixels) / form.scale + 0.5); }
int Scaled(Form& form, long long value) { return static_cast<int>(static_cast<double>(value) * form.scale); }

std::optional<std::string> ReadGeometry(Form& form, Control& control, const std::string& property) {
  if (control.hwnd == nullptr) return std::nullopt;
  const RECT rect = PlacementOf(form, control);
  RECT client{};
  GetClientRect(control.hwnd, &client);
  if (Is(property, "Left")) return std::to_string(Unscaled(form, rect.left));
  if (Is(property, "Top")) return std::to_string(Unscaled(form, rect.top));
  if (Is(property, "Width")) return std::to_string(Unscaled(form, rect.right - rect.left));
  // A combo box's window is its closed height; its open list is a window of its own.
  if (Is(property, "Height")) return std::to_string(Unscaled(form, rect.bottom - rect.top));
  if (Is(property, "ClientWidth")) return std::to_string(Unscaled(form, client.right));
  if (Is(property, "ClientHeight")) return std::to_string(Unscaled(form, client.bottom));
  return std::nullopt;
}

bool WriteGeometry(Form& form, Control& control, const std::string& property, long long value) {
  if (control.hwnd == nullptr) return false;
  RECT rect = PlacementOf(form, control);
  int left = rect.left, top = rect.top, width = rect.right - rect.left, height = rect.bottom - rect.top;
  const int pixels = Scaled(form, value);
  if (Is(property, "Left")) left = pixels;
  else if (Is(property, "Top")) top = pixels;
  else if (Is(property, "Width")) width = pixels;
  else if (Is(property, "Height")) height = pixels;
  else if (Is(property, "ClientWidth") || Is(property, "ClientHeight")) {
    RECT client{};
    GetClientRect(control.hwnd, &client);
    if (Is(property, "ClientWidth")) width += pixels - client.right;
    else height += pixels - client.bottom;
  } else {
    return false;
  }
  SetWindowPos(control.hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

std::optional<long long> ReadRange(Control& control, const std::string& property) {
  const bool position = Is(property, "Position") || Is(property, "Progress");
  const bool minimum = Is(property, "Min") || Is(property, "MinValue");
  const bool maximum = Is(property, "Max") || Is(property, "MaxValue");
  if (!position && !minimum && !maximum) return std::nullopt;
  HWND hwnd = control.hwnd;
  switch (control.kind) {
    case Kind::TrackBar:
      if (position) return SendMessageW(hwnd, TBM_GETPOS, 0, 0);
      return SendMessageW(hwnd, minimum ? TBM_GETRANGEMIN : TBM_GETRANGEMAX, 0, 0);
    case Kind::ProgressBar:
    case Kind::Gauge:
      if (position) return static_cast<int>(SendMessageW(hwnd, PBM_GETPOS, 0, 0));
      return static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, minimum ? TRUE : FALSE, 0));
    case Kind::UpDown: {
      if (position) return static_cast<int>(SendMessageW(hwnd, UDM_GETPOS32, 0, 0));
      int low = 0, high = 0;
      SendMessageW(hwnd, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
      return minimum ? low : high;
    }
    default:
      return std::nullopt;
  }
}

bool WriteRange(State& state, Form& form, Control& control, const std::string& property, long long value) {
  const bool position = Is(property, "Position") || Is(property, "Progress");
  const bool minimum = Is(property, "Min") || Is(property, "MinValue");
  const bool maximum = Is(property, "Max") || Is(property, "MaxValue");
  if (!position && !minimum && !maximum) return false;
  const auto clipped = static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
  HWND hwnd = control.hwnd;
  switch (control.kind) {
    case Kind::TrackBar: {
      const LRESULT before = SendMessageW(hwnd, TBM_GETPOS, 0, 0);
      if (position) SendMessageW(hwnd, TBM_SETPOS, TRUE, clipped);
      else SendMessageW(hwnd, minimum ? TBM_SETRANGEMIN : TBM_SETRANGEMAX, TRUE, clipped);
      if (SendMessageW(hwnd, TBM_GETPOS, 0, 0) != before) FireChange(state, form, control);
      return true;
    }
    case Kind::ProgressBar:
    case Kind::Gauge: {
      if (position) {
        SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(clipped), 0);
        return true;
      }
      const int low = minimum ? clipped : static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, TRUE, 0));
      const int high = maximum ? clipped : static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, FALSE, 0));
      SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
      return true;
    }
    case Kind::UpDown: {
      if (position) {
        SendMessageW(hwnd, UDM_SETPOS32, 0, clipped);
        return true;
      }
      int low = 0, high = 0;
      SendMessageW(hwnd, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
      (minimum ? low : high) = clipped;
      SendMessageW(hwnd, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
      return true;
    }
    default:
      return false;
  }
}

std::optional<std::string> ReadText(Control& control) {
  switch (control.kind) {
    case Kind::ListBox: {
      const auto items = ReadItems(control);
      const auto index = SendMessageW(control.hwnd, LB_GETCURSEL, 0, 0);
      if (index >= 0 && static_cast<size_t>(index) < items.size()) return items[static_cast<size_t>(index)];
      return std::string();
    }
    case Kind::CheckListBox:
    case Kind::TreeView:
    case Kind::NonVisual:
      return std::nullopt;
    case Kind::HtmlViewer:
      return control.document;
    default:
      return WindowText(control.hwnd);
  }
}

void WriteText(Form& form, Control& control, const std::string& text) {
  if (control.kind == Kind::ComboBox &&
      (GetWindowLongPtrW(control.hwnd, GWL_STYLE) & CBS_DROPDOWNLIST) == CBS_DROPDOWNLIST) {
    const std::wstring wide = Wide(text);
    const auto index = SendMessageW(control.hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(wide.c_str()));
    SendMessageW(control.hwnd, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(index), 0);
    return;
  }
  // Edit controls want line breaks as CR LF.
  std::string shown = text;
  if (control.kind == Kind::Memo || control.kind == Kind::RichEdit || control.kind == Kind::HtmlViewer) {
    shown = ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\n", "\r\n");
  }
  SetWindowTextAnsi(control.hwnd, shown);
  if (control.kind == Kind::TabSheet) {
    HWND tabs = GetParent(control.hwnd);
    int index = 0;
    for (auto& other : form.controls) {
      if (other.get() == &control) break;
      if (other->kind == Kind::TabSheet && GetParent(other->hwnd) == tabs) ++index;
    }
    std::wstring wide = Wide(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = wide.data();
    SendMessageW(tabs, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  }
}

void MakeDefaultButton(Control& control, bool on) {
  if (control.kind != Kind::Button) return;
  SendMessageW(control.hwnd, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void ReplaceFont(Control& control, const std::string& property, const std::string& value) {
  HFONT current = reinterpret_cast<HFONT>(SendMessageW(control.hwnd, WM_GETFONT, 0, 0));
  LOGFONTW font{};
  if (current == nullptr || GetObjectW(current, sizeof font, &font) == 0) return;
  if (Is(property, "Font.Name")) {
    const std::wstring face = Wide(value);
    std::wmemset(font.lfFaceName, L'\0', LF_FACESIZE);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
  } else if (auto number = ParseInteger(value)) {
    font.lfHeight = static_cast<LONG>(*number);
  }
  HFONT replaced = CreateFontIndirectW(&font);
  SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(replaced), TRUE);
  if (control.font != nullptr) DeleteObject(control.font);
  control.font = replaced;
}

std::optional<std::string> ReadFolderProperty(Control& control, const std::string& property) {
  if (!IsFolderControl(control.kind)) return std::nullopt;
  if (Is(property, "Directory") || Is(property, "Path")) return control.directory;
  if (Is(property, "Drive")) return control.directory.empty() ? std::string() : control.directory.substr(0, 1);
  if (Is(property, "Mask")) return control.mask;
  if (Is(property, "FileName")) {
    const auto index = SendMessageW(control.hwnd, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= control.folderEntries.size()) return std::string();
    return control.folderEntries[static_cast<size_t>(index)];
  }
  return std::nullopt;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<bool> WriteFolderProperty(State& state, Form& form, Control& control, const std::string& property,
                                        const std::string& value) {
  if (!IsFolderControl(control.kind)) return std::nullopt;
  std::string folder;
  if (Is(property, "FileName")) {
    // A file of the list: its folder is opened and the file chosen in it, reported once.
    const size_t slash = value.find_last_of('\\');
    if (slash == std::string::npos) return false;
    {
      Quiet quiet(state);
      WriteFolderProperty(state, form, control, "Directory", value.substr(0, slash));
    }
    for (size_t line = 0; line < control.folderEntries.size(); ++line)
      if (EqualsIgnoreCase(control.folderEntries[line], value)) {
        SendMessageW(control.hwnd, LB_SETCURSEL, line, 0);
        FireChange(state, form, control);
        return true;
      }
    return false;
  }
  if (Is(property, "Directory") || Is(property, "Path")) folder = value;
  else if (Is(property, "Drive") && !value.empty()) folder = std::string(1, value[0]) + ":\\";
  else if (Is(property, "Mask")) {
    control.mask = value.empty() ? "*.*" : value;
    FillFolderControl(state, control);
    return true;
  } else {
    return std::nullopt;
  }
  if (!FolderExists(folder)) return false;
  if (Is(property, "FileName")) return false;
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  if (EqualsIgnoreCase(folder, control.directory)) return true;
  control.directory = folder;
  FillFolderControl(state, control);
  // The change's handler may take the form down: the folder event goes only to what is left.
  const FormId id = form.id;
  const std::string name = control.name;
  const bool shellList = control.kind == Kind::ShellList;
  FireChange(state, form, control);
  Form* still = state.FormOf(id);
  Control* same = still ? still->Find(name) : nullptr;
  if (shellList && same != nullptr) FireChange(state, *still, *same, EventKind::FolderChanged);
  return true;
}

void UncheckOtherRadios(Form& form, Control& control) {
  for (auto& other : form.controls)
    if (other.get() != &control && other->kind == Kind::RadioButton && other->parent == control.parent)
      SendMessageW(other->hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
}

void SetMarquee(Control& control, bool on) {
  const LONG_PTR style = GetWindowLongPtrW(control.hwnd, GWL_STYLE);
  const bool has = (style & PBS_MARQUEE) != 0;
  if (on == has) return;
  SetWindowLongPtrW(control.hwnd, GWL_STYLE, on ? (style | PBS_MARQUEE) : (style & ~static_cast<LONG_PTR>(PBS_MARQUEE)));
  SendMessageW(control.hwnd, PBM_SETMARQUEE, on ? TRUE : FALSE, 100);
}

HWND TabSheetWindow(Form& form, Control& pageControl, int index) {
  int seen = 0;
  for (auto& other : form.controls)
    if (other->kind == Kind::TabSheet && other->parent == pageControl.name && seen++ == index) return other->hwnd;
  return nullptr;
}

}  // namespace

void ShowTabSheets(Form& form, Control& pageControl) {
  const int current = TabCtrl_GetCurSel(pageControl.hwnd);
  int index = 0;
  for (auto& other : form.controls) {
    if (other->kind != Kind::TabSheet || other->parent != pageControl.name) continue;
    ShowWindow(other->hwnd, index == current && other->visible ? SW_SHOW : SW_HIDE);
    ++index;
  }
}

void SelectTab(State& state, Form& form, Control& pageControl, int index) {
  (void)state;
  if (TabSheetWindow(form, pageControl, index) == nullptr) return;
  TabCtrl_SetCurSel(pageControl.hwnd, index);
  ShowTabSheets(form, pageControl);
}

std::optional<std::string> ReadProperty(State& state, Form& form, Control& control, const std::string& property) {
  (void)state;
  if (Is(property, "Name")) return control.name;
  if (Is(property, "Hint")) return control.stored.count("Hint") ? control.stored["Hint"] : std::string();
  if (Is(property, "Tag")) return control.stored.count("Tag") ? control.stored["Tag"] : std::string("0");
  if (Is(property, "TabOrder")) return std::to_string(control.tabOrder);
  if (Is(property, "Visible")) return BoolText(control.visible);
  if (Is(property, "Default")) return BoolText(control.isDefault);
  if (Is(property, "Cancel")) return BoolText(control.isCancel);
  if (Is(property, "MaxLength")) return std::to_string(control.maxLength);
  if (control.hwnd == nullptr) {
    auto stored = control.stored.find(property);
    if (stored != control.stored.end()) return stored->second;
    if (Is(property, "Enabled")) return BoolText(true);
    return std::nullopt;
  }
  if (Is(property, "Caption") || Is(property, "Text")) return ReadText(control);
  if (Is(property, "Enabled")) return BoolText(IsWindowEnabled(control.hwnd) != FALSE);
  if (Is(property, "Checked") && IsCheckable(control.kind))
    return BoolText(SendMessageW(control.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED);
  if (Is(property, "ReadOnly") && IsTextEdit(control.kind))
    return BoolText((GetWindowLongPtrW(control.hwnd, GWL_STYLE) & ES_READONLY) != 0);
  if (Is(property, "ItemIndex") || Is(property, "TabIndex")) {
    if (control.kind == Kind::PageControl) return std::to_string(TabCtrl_GetCurSel(control.hwnd));
    if (IsCombo(control.kind)) return std::to_string(SendMessageW(control.hwnd, CB_GETCURSEL, 0, 0));
    if (control.kind == Kind::CheckListBox)
      return std::to_string(ListView_GetNextItem(control.hwnd, -1, LVNI_SELECTED));
    if (control.kind == Kind::ListBox || control.kind == Kind::FileListBox || control.kind == Kind::DirectoryListBox ||
        control.kind == Kind::ShellTree || control.kind == Kind::ShellList) {
      const bool multi = (GetWindowLongPtrW(control.hwnd, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;
      return std::to_string(SendMessageW(control.hwnd, multi ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
    }
  }
  if (Is(property, "Items.Count") || Is(property, "Lines.Count")) return std::to_string(ReadItems(control).size());
  if (Is(property, "ActivePage") && control.kind == Kind::PageControl) {
    const int current = TabCtrl_GetCurSel(control.hwnd);
    int index = 0;
    for (auto& other : form.controls)
      if (other->kind == Kind::TabSheet && other->parent == control.name && index++ == current) return other->name;
    return std::string();
  }
  if (Is(property, "Selected") && control.kind == Kind::TreeView) {
    HTREEITEM item = TreeView_GetSelection(control.hwnd);
    return std::to_string(item ? control.tree->NodeOf(item) : kNoTreeNode);
  }
  if (Is(property, "Selected.Path") && control.kind == Kind::TreeView) return SelectedTreePath(control);
  if (IsRange(control.kind))
    if (auto value = ReadRange(control, property)) return std::to_string(*value);
  if (auto value = ReadFolderProperty(control, property)) return value;
  if (auto value = ReadGeometry(form, control, property)) return value;
  auto stored = control.stored.find(property);
  if (stored != control.stored.end()) return stored->second;
  return std::nullopt;
}

bool WriteProperty(State& state, Form& form, Control& control, const std::string& property,
                   const std::string& value) {
  const auto truth = ParseBool(value);
  const auto number = ParseInteger(value);
  if (Is(property, "Name")) return false;
  if (Is(property, "Hint") || Is(property, "Tag")) {
    control.stored[property] = value;
    return true;
  }
  if (Is(property, "TabOrder") && number) {
    control.tabOrder = static_cast<int>(*number);
    return true;
  }
  if (Is(property, "Default") && truth) {
    control.isDefault = *truth;
    MakeDefaultButton(control, *truth);
    return true;
  }
  if (Is(property, "Cancel") && truth) {
    control.isCancel = *truth;
    return true;
  }
  if (Is(property, "MaxLength") && number) {
    control.maxLength = *number;
    if (control.hwnd != nullptr && IsTextEdit(control.kind)) {
      const long long limit = std::clamp<long long>(*number, 0, 0x7FFFFFFE);
      SendMessageW(control.hwnd, EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
    }
    return true;
  }
  if (Is(property, "Visible") && truth) {
    control.visible = *truth;
    if (control.hwnd != nullptr && &control != &form.self) {
      if (control.kind == Kind::TabSheet) {
        if (Control* pages = form.Find(control.parent)) ShowTabSheets(form, *pages);
      } else {
        ShowWindow(control.hwnd, *truth ? SW_SHOWNA : SW_HIDE);
      }
    } else if (control.hwnd != nullptr) {
      ShowWindow(control.hwnd, *truth ? SW_SHOW : SW_HIDE);
    }
    return true;
  }
  if (control.hwnd == nullptr) {
    auto stored = control.stored.find(property);
    if (stored == control.stored.end() && !Is(property, "Enabled")) return false;
    control.stored[property] = value;
    return true;
  }
  if (Is(property, "Caption") || Is(property, "Text")) {
    if (control.kind == Kind::CheckListBox || control.kind == Kind::TreeView) return false;
    if (control.kind == Kind::HtmlViewer) control.document.clear();
    WriteText(form, control, value);
    // A multi-line edit does not report text set from outside; the engine's handlers expect it.
    if (control.kind == Kind::Memo) FireChange(state, form, control);
    return true;
  }
  if (Is(property, "Enabled") && truth) {
    EnableWindow(control.hwnd, *truth ? TRUE : FALSE);
    return true;
  }
  if (Is(property, "Checked") && IsCheckable(control.kind) && truth) {
    const bool was = SendMessageW(control.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(control.hwnd, BM_SETCHECK, *truth ? BST_CHECKED : BST_UNCHECKED, 0);
    if (*truth && control.kind == Kind::RadioButton) UncheckOtherRadios(form, control);
    // A box checked from outside clicks itself, as the authoring tool's boxes do.
    if (was != *truth && (control.kind == Kind::CheckBox || *truth)) FireChange(state, form, control, EventKind::Click);
    return true;
  }
  if (Is(property, "ReadOnly") && IsTextEdit(control.kind) && truth) {
    SendMessageW(control.hwnd, EM_SETREADONLY, *truth ? TRUE : FALSE, 0);
    return true;
  }
  if ((Is(property, "ItemIndex") || Is(property, "TabIndex")) && number) {
    const auto index = static_cast<WPARAM>(*number);
    Quiet quiet(state);
    if (control.kind == Kind::PageControl) SelectTab(state, form, control, static_cast<int>(*number));
    else if (IsCombo(control.kind)) SendMessageW(control.hwnd, CB_SETCURSEL, index, 0);
    else if (control.kind == Kind::CheckListBox) {
      ListView_SetItemState(control.hwnd, -1, 0, LVIS_SELECTED);
      if (*number >= 0) ListView_SetItemState(control.hwnd, static_cast<int>(*number), LVIS_SELECTED | LVIS_FOCUSED,
                                              LVIS_SELECTED | LVIS_FOCUSED);
    } else if ((GetWindowLongPtrW(control.hwnd, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0) {
      SendMessageW(control.hwnd, LB_SETSEL, FALSE, -1);
      if (*number >= 0) SendMessageW(control.hwnd, LB_SETSEL, TRUE, static_cast<LPARAM>(*number));
    } else {
      SendMessageW(control.hwnd, LB_SETCURSEL, index, 0);
    }
    return true;
  }
  if (Is(property, "Selected") && control.kind == Kind::TreeView && number) {
    // Selecting a node reports the change like the user's choice.
    if (*number == kNoTreeNode) return TreeView_SelectItem(control.hwnd, nullptr), true;
    HTREEITEM item = control.tree->ItemOf(static_cast<TreeNodeId>(*number));
    return item != nullptr && TreeView_SelectItem(control.hwnd, item) != FALSE;
  }
  if (Is(property, "ActivePage") && control.kind == Kind::PageControl) {
    int index = 0;
    for (auto& other : form.controls) {
      if (other->kind != Kind::TabSheet || other->parent != control.name) continue;
      if (EqualsIgnoreCase(other->name, value)) {
        SelectTab(state, form, control, index);
        return true;
      }
      ++index;
    }
    return false;
  }
  if (Is(property, "Style")) {
    control.stored[property] = value;
    if (control.kind == Kind::ProgressBar || control.kind == Kind::Gauge)
      SetMarquee(control, EqualsIgnoreCase(value, "pbstMarquee"));
    return true;
  }
  if (Is(property, "Items.Strings") || Is(property, "Lines.Strings")) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= value.size() && !value.empty()) {
      const size_t end = value.find("\r\n", start);
      lines.push_back(value.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 2;
    }
    WriteItems(state, control, lines);
    return true;
  }
  if (Is(property, "Color") || Is(property, "Font.Color")) {
    const auto color = ParseColor(value);
    if (!color) return false;
    control.stored[property] = value;
    if (Is(property, "Color")) {
      control.color = *color;
      if (control.brush) DeleteObject(control.brush);
      control.brush = CreateSolidBrush(*color);
    } else {
      control.fontColor = *color;
    }
    InvalidateRect(control.hwnd, nullptr, TRUE);
    return true;
  }
  if (Is(property, "Font.Name") || Is(property, "Font.Height")) {
    control.stored[property] = value;
    ReplaceFont(control, property, value);
    return true;
  }
  if (IsRange(control.kind) && number && WriteRange(state, form, control, property, *number)) return true;
  if (auto written = WriteFolderProperty(state, form, control, property, value)) return *written;
  if (number && WriteGeometry(form, control, property, *number)) return true;
  if (Is(property, "Filter") && control.kind == Kind::FilterComboBox) {
    control.stored[property] = value;
    FillFolderControl(state, control);
    return true;
  }
  auto stored = control.stored.find(property);
  if (stored == control.stored.end()) return false;
  stored->second = value;
  return true;
}

}  // namespace quarrix::platform::win32::toolkit

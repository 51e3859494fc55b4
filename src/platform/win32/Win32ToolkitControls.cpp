// Building the controls of a dialog file: one recipe of window class and styles per kind, the
// toolkit's own window classes (form, panel, shape, host), fonts and pictures.
#include <cstring>
#include <cwchar>

#include "platform/win32/Win32ToolkitParts.h"
// After <windows.h>.
#include <richedit.h>
#include <windowsx.h>

namespace quarrix::platform::win32::toolkit {

const wchar_t* const kFormClass = L"QuarrixForm";
const wchar_t* const kPanelClass = L"QuarrixPanel";
const wchar_t* const kShapeClass = L"QuarrixShape";
const wchar_t* const kHostClass = L"QuarrixToolkitHost";

namespace {

constexpr UINT_PTR kForwardSubclass = 1;
constexpr UINT_PTR kReportSubclass = 2;

std::string StoredOr(const FormObject& object, const char* name, const char* fallback) {
  const FormProperty* property = object.Find(name);
  return property ? ValueText(property->value) : std::string(fallback);
}

bool StoredTrue(const FormObject& object, const char* name, bool fallback) {
  const FormProperty* property = object.Find(name);
  if (property == nullptr) return fallback;
  return ParseBool(ValueText(property->value)).value_or(fallback);
}

struct Recipe {
  const wchar_t* windowClass = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
};

DWORD ScrollBarStyle(const FormObject& object) {
  const std::string bars = StoredOr(object, "ScrollBars", "ssNone");
  if (EqualsIgnoreCase(bars, "ssVertical")) return WS_VSCROLL;
  if (EqualsIgnoreCase(bars, "ssHorizontal")) return WS_HSCROLL;
  if (EqualsIgnoreCase(bars, "ssBoth")) return WS_VSCROLL | WS_HSCROLL;
  return 0;
}

DWORD MemoStyle(const FormObject& object) {
  DWORD style = WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ScrollBarStyle(object);
  if (StoredTrue(object, "WantReturns", true)) style |= ES_WANTRETURN;
  if (!StoredTrue(object, "WordWrap", true)) style |= ES_AUTOHSCROLL;
  if (StoredTrue(object, "ReadOnly", false)) style |= ES_READONLY;
  return style;
}

DWORD TextAlignment(const FormObject& object, DWORD left, DWORD center, DWORD right) {
  const std::string alignment = StoredOr(object, "Alignment", "taLeftJustify");
  if (EqualsIgnoreCase(alignment, "taCenter")) return center;
  if (EqualsIgnoreCase(alignment, "taRightJustify")) return right;
  return left;
}

Recipe RecipeFor(State& state, Kind kind, const FormObject& object) {
  switch (kind) {
    case Kind::Label: {
      const bool wrap = StoredTrue(object, "WordWrap", false);
      return {WC_STATICW, SS_NOTIFY | TextAlignment(object, wrap ? SS_LEFT : SS_LEFTNOWORDWRAP, SS_CENTER, SS_RIGHT)
                              | (StoredTrue(object, "ShowAccelChar", true) ? 0u : DWORD{SS_NOPREFIX}), 0};
    }
    case Kind::StaticText: {
      const std::string border = StoredOr(object, "BorderStyle", "sbsNone");
      DWORD style = SS_NOTIFY | TextAlignment(object, SS_LEFT, SS_CENTER, SS_RIGHT);
      if (EqualsIgnoreCase(border, "sbsSunken")) style |= SS_SUNKEN;
      if (EqualsIgnoreCase(border, "sbsSingle")) style |= WS_BORDER;
      return {WC_STATICW, style, 0};
    }
    case Kind::Edit:
    case Kind::MaskEdit: {
      DWORD style = WS_TABSTOP | ES_AUTOHSCROLL;
      const std::string password = StoredOr(object, "PasswordChar", "");
      if (!password.empty() && password != std::string(1, '\0')) style |= ES_PASSWORD;
      if (StoredTrue(object, "ReadOnly", false)) style |= ES_READONLY;
      const std::string charCase = StoredOr(object, "CharCase", "ecNormal");
      if (EqualsIgnoreCase(charCase, "ecUpperCase")) style |= ES_UPPERCASE;
      if (EqualsIgnoreCase(charCase, "ecLowerCase")) style |= ES_LOWERCASE;
      return {WC_EDITW, style, WS_EX_CLIENTEDGE};
    }
    case Kind::Memo:
      return {WC_EDITW, MemoStyle(object), WS_EX_CLIENTEDGE};
    case Kind::RichEdit:
      return {RichEditClass(state), MemoStyle(object), WS_EX_CLIENTEDGE};
    case Kind::Button: {
      DWORD style = WS_TABSTOP | (StoredTrue(object, "Default", false) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      if (StoredTrue(object, "WordWrap", false)) style |= BS_MULTILINE;
      return {WC_BUTTONW, style, 0};
    }
    case Kind::SpeedButton:
      // Never focused in the authoring tool: pressed with the mouse only.
      return {WC_BUTTONW, BS_PUSHBUTTON, 0};
    case Kind::CheckBox: {
      DWORD style = WS_TABSTOP | BS_AUTOCHECKBOX | (StoredTrue(object, "WordWrap", false) ? BS_MULTILINE : 0);
      if (EqualsIgnoreCase(StoredOr(object, "AlignmentBtn", StoredOr(object, "Alignment", "taRightJustify").c_str()),
                           "taLeftJustify"))
        style |= BS_LEFTTEXT;
      return {WC_BUTTONW, style, 0};
    }
    case Kind::RadioButton:
      return {WC_BUTTONW,
              static_cast<DWORD>(WS_TABSTOP | BS_AUTORADIOBUTTON | (StoredTrue(object, "WordWrap", false) ? BS_MULTILINE : 0)),
              0};
    case Kind::ListBox:
    case Kind::FileListBox:
    case Kind::DirectoryListBox:
    case Kind::ShellTree:
    case Kind::ShellList: {
      DWORD style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      if (kind == Kind::ListBox && StoredTrue(object, "MultiSelect", false))
        style |= StoredTrue(object, "ExtendedSelect", true) ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
      if (kind == Kind::ListBox && StoredTrue(object, "Sorted", false)) style |= LBS_SORT;
      return {WC_LISTBOXW, style, WS_EX_CLIENTEDGE};
    }
    case Kind::ComboBox: {
      const std::string style = StoredOr(object, "Style", "csDropDown");
      DWORD comboStyle = CBS_DROPDOWN;
      if (EqualsIgnoreCase(style, "csDropDownList") || EqualsIgnoreCase(style, "csOwnerDrawFixed"))
        comboStyle = CBS_DROPDOWNLIST;
      if (EqualsIgnoreCase(style, "csSimple")) comboStyle = CBS_SIMPLE;
      if (StoredTrue(object, "Sorted", false)) comboStyle |= CBS_SORT;
      return {WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL | comboStyle, 0};
    }
    case Kind::DriveComboBox:
    case Kind::FilterComboBox:
    case Kind::ShellCombo:
      return {WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case Kind::CheckListBox:
      return {WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
              WS_EX_CLIENTEDGE};
    case Kind::TreeView:
      return {WC_TREEVIEWW, WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
              WS_EX_CLIENTEDGE};
    case Kind::GroupBox:
      return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case Kind::Panel:
    case Kind::TabSheet:
      return {kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case Kind::PageControl:
      return {WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case Kind::Image:
      return {WC_STATICW,
              static_cast<DWORD>(SS_NOTIFY | SS_BITMAP | (StoredTrue(object, "Stretch", false) ? SS_REALSIZECONTROL : 0)), 0};
    case Kind::Shape:
      return {kShapeClass, 0, 0};
    case Kind::Bevel: {
      const std::string shape = StoredOr(object, "Shape", "bsBox");
      if (EqualsIgnoreCase(shape, "bsTopLine") || EqualsIgnoreCase(shape, "bsBottomLine"))
        return {WC_STATICW, SS_ETCHEDHORZ, 0};
      if (EqualsIgnoreCase(shape, "bsLeftLine") || EqualsIgnoreCase(shape, "bsRightLine"))
        return {WC_STATICW, SS_ETCHEDVERT, 0};
      return {WC_STATICW, SS_ETCHEDFRAME, 0};
    }
    case Kind::ProgressBar:
    case Kind::Gauge: {
      DWORD style = 0;
      if (EqualsIgnoreCase(StoredOr(object, "Orientation", "pbHorizontal"), "pbVertical")) style |= PBS_VERTICAL;
      if (StoredTrue(object, "Smooth", false)) style |= PBS_SMOOTH;
      return {PROGRESS_CLASSW, style, 0};
    }
    case Kind::TrackBar: {
      DWORD style = WS_TABSTOP | TBS_AUTOTICKS;
      if (EqualsIgnoreCase(StoredOr(object, "Orientation", "trHorizontal"), "trVertical")) style |= TBS_VERT;
      return {TRACKBAR_CLASSW, style, 0};
    }
    case Kind::UpDown:
      return {UPDOWN_CLASSW, UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS, 0};
    case Kind::Animate:
      return {ANIMATE_CLASSW, ACS_CENTER | ACS_TRANSPARENT, 0};
    case Kind::HtmlViewer:
      // No HTML engine of the system's is taken for granted: the page's text, tags left out.
      return {WC_EDITW, WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE};
    case Kind::FlashFrame:
      // Nothing plays the movies: the frame shows the text the engine gives it.
      return {WC_STATICW, SS_CENTER | SS_CENTERIMAGE, WS_EX_STATICEDGE};
    case Kind::NonVisual:
      return {};
  }
  return {};
}

// A TImage's picture as the file stores it: the graphic's class name (a length byte, then the
// name), and for a bitmap its size and the bitmap file itself.
HBITMAP BitmapOfPicture(const std::vector<uint8_t>& data) {
  if (data.empty() || data.size() < 1u + data[0]) return nullptr;
  const std::string graphic(data.begin() + 1, data.begin() + 1 + data[0]);
  if (!EqualsIgnoreCase(graphic, "TBitmap")) return nullptr;
  size_t offset = 1u + data[0] + 4;
  if (data.size() < offset + sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPFILEHEADER file;
  std::memcpy(&file, data.data() + offset, sizeof file);
  if (file.bfType != 0x4D42 || file.bfOffBits >= data.size() - offset) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(data.data() + offset + sizeof file);
  const uint8_t* bits = data.data() + offset + file.bfOffBits;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// What children report to their container and the container hands on to the form, where the
// toolkit listens.
bool IsChildReport(UINT message) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return true;
    default:
      return false;
  }
}

// The background the form gives this window, as its own colour or the colour of what lies beneath.
void FillWithFormColour(HWND hwnd, HDC dc) {
  RECT area;
  GetClientRect(hwnd, &area);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(GetAncestor(hwnd, GA_ROOT), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  FillRect(dc, &area, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
}

// Children of group boxes and tab controls report to their container. A group box paints only its
// frame and caption; with children of its own (the form clips them) its inside would stay unpainted,
// so it erases itself when reference is set.
LRESULT CALLBACK ForwardingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR reference) {
  if (message == WM_ERASEBKGND && reference != 0) {
    FillWithFormColour(hwnd, reinterpret_cast<HDC>(wParam));
    return 1;
  }
  if (IsChildReport(message) || message == WM_DRAWITEM) {
    HWND root = GetAncestor(hwnd, GA_ROOT);
    // A tab control's own notifications are its own business first.
    const bool own = message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->hwndFrom == hwnd;
    if (root != nullptr && root != hwnd && !own) return SendMessageW(root, message, wParam, lParam);
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Key and mouse releases the engine listens to (auto-advance, the component tree's menu, shapes).
LRESULT CALLBACK ReportingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR reference) {
  const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  const bool scrolled = message == WM_VSCROLL || message == WM_MOUSEWHEEL;
  if (message != WM_KEYUP && message != WM_LBUTTONUP && !scrolled) return result;
  auto* state = reinterpret_cast<State*>(reference);
  Form* form = state->FormOfWindow(GetAncestor(hwnd, GA_ROOT));
  if (form == nullptr) return result;
  auto found = form->byHandle.find(hwnd);
  if (found == form->byHandle.end()) return result;
  ToolkitEvent event;
  event.form = form->id;
  event.component = found->second->name;
  if (scrolled) {
    // A memo or rich edit scrolled by its bar or the wheel: the read-to-end check follows.
    const Kind kind = found->second->kind;
    if (kind != Kind::Memo && kind != Kind::RichEdit) return result;
    event.kind = EventKind::Scroll;
  } else if (message == WM_KEYUP) {
    event.kind = EventKind::KeyUp;
    event.key = static_cast<int>(wParam);
  } else {
    event.kind = EventKind::MouseUp;
    event.x = GET_X_LPARAM(lParam);
    event.y = GET_Y_LPARAM(lParam);
  }
  state->Fire(event);
  return result;
}

LRESULT CALLBACK PanelProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsChildReport(message)) {
    if (HWND root = GetAncestor(hwnd, GA_ROOT); root != nullptr && root != hwnd)
      return SendMessageW(root, message, wParam, lParam);
  }
  switch (message) {
    case WM_ERASEBKGND:
      FillWithFormColour(hwnd, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      RECT area;
      GetClientRect(hwnd, &area);
      const auto bevel = static_cast<UINT>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      if (bevel != 0) DrawEdge(dc, &area, bevel, BF_RECT);
      const std::string caption = WindowText(hwnd);
      if (!caption.empty()) {
        SetBkMode(dc, TRANSPARENT);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        std::wstring text = Wide(caption);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
      }
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SETFONT:
      SetPropW(hwnd, L"QuarrixFont", reinterpret_cast<HANDLE>(wParam));
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(hwnd, L"QuarrixFont"));
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_NCDESTROY:
      RemovePropW(hwnd, L"QuarrixFont");
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// TShape: its brush and pen colours and its shape, as properties kept on the window.
LRESULT CALLBACK ShapeProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT area;
    GetClientRect(hwnd, &area);
    const auto brushColor = static_cast<COLORREF>(reinterpret_cast<uintptr_t>(GetPropW(hwnd, L"QuarrixBrush")));
    const auto penColor = static_cast<COLORREF>(reinterpret_cast<uintptr_t>(GetPropW(hwnd, L"QuarrixPen")));
    const bool ellipse = GetPropW(hwnd, L"QuarrixEllipse") != nullptr;
    HBRUSH brush = CreateSolidBrush(brushColor == 0 ? RGB(255, 255, 255) : brushColor - 1);
    HPEN pen = CreatePen(PS_SOLID, 1, penColor == 0 ? RGB(0, 0, 0) : penColor - 1);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    if (ellipse)
      Ellipse(dc, area.left, area.top, area.right, area.bottom);
    else
      Rectangle(dc, area.left, area.top, area.right, area.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    EndPaint(hwnd, &paint);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(hwnd, L"QuarrixBrush");
    RemovePropW(hwnd, L"QuarrixPen");
    RemovePropW(hwnd, L"QuarrixEllipse");
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void SetUpShape(HWND hwnd, const FormObject& object) {
  // Stored plus one so that black is told from "not set".
  if (auto color = ParseColor(StoredOr(object, "Brush.Color", "clWhite")))
    SetPropW(hwnd, L"QuarrixBrush", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(*color) + 1));
  if (auto color = ParseColor(StoredOr(object, "Pen.Color", "clBlack")))
    SetPropW(hwnd, L"QuarrixPen", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(*color) + 1));
  const std::string shape = StoredOr(object, "Shape", "stRectangle");
  if (EqualsIgnoreCase(shape, "stEllipse") || EqualsIgnoreCase(shape, "stCircle"))
    SetPropW(hwnd, L"QuarrixEllipse", reinterpret_cast<HANDLE>(1));
}

UINT PanelBevel(const FormObject& object) {
  const std::string outer = StoredOr(object, "BevelOuter", "bvRaised");
  if (EqualsIgnoreCase(outer, "bvLowered")) return BDR_SUNKENOUTER;
  if (EqualsIgnoreCase(outer, "bvNone")) return 0;
  return BDR_RAISEDINNER;
}

void SetUpListView(HWND hwnd, int width) {
  ListView_SetExtendedListViewStyle(hwnd, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = width > 4 ? width - 4 : width;
  SendMessageW(hwnd, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

RECT BoundsOfObject(const FormObject& object, double scale) {
  const auto number = [&](const char* name, long long fallback) {
    const FormProperty* property = object.Find(name);
    const long long value = property ? ParseInteger(ValueText(property->value)).value_or(fallback) : fallback;
    return static_cast<LONG>(static_cast<double>(value) * scale);
  };
  const LONG left = number("Left", 0);
  const LONG top = number("Top", 0);
  return RECT{left, top, left + number("Width", 0), top + number("Height", 0)};
}

}  // namespace

void RegisterWindowClasses(State&) {
  static bool registered = false;
  if (registered) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                                     ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                     ICC_ANIMATE_CLASS | ICC_TREEVIEW_CLASSES |
                                                     ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  if (icon == nullptr) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = FormProcedure;
  form.hInstance = instance;
  form.hIcon = icon;
  form.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  form.lpszClassName = kFormClass;
  RegisterClassExW(&form);
  WNDCLASSEXW panel = form;
  panel.lpfnWndProc = PanelProcedure;
  panel.hIcon = nullptr;
  panel.lpszClassName = kPanelClass;
  RegisterClassExW(&panel);
  WNDCLASSEXW shape = panel;
  shape.lpfnWndProc = ShapeProcedure;
  shape.hbrBackground = nullptr;
  shape.lpszClassName = kShapeClass;
  RegisterClassExW(&shape);
  WNDCLASSEXW host = panel;
  host.lpfnWndProc = HostProcedure;
  host.lpszClassName = kHostClass;
  RegisterClassExW(&host);
  registered = true;
}

const wchar_t* RichEditClass(State& state) {
  if (state.richEditClass != nullptr) return state.richEditClass;
  // The version 4.1 rich edit where the system has it, else 2.0.
  if (LoadLibraryW(L"msftedit.dll") != nullptr)
    state.richEditClass = MSFTEDIT_CLASS;
  else if (LoadLibraryW(L"riched20.dll") != nullptr)
    state.richEditClass = RICHEDIT_CLASSW;
  else
    state.richEditClass = WC_EDITW;
  return state.richEditClass;
}

HFONT FontOf(const FormObject& object, double scale, HFONT parentFont) {
  const FormProperty* name = object.Find("Font.Name");
  const FormProperty* height = object.Find("Font.Height");
  const FormProperty* size = object.Find("Font.Size");
  const FormProperty* style = object.Find("Font.Style");
  const FormProperty* parentFontFlag = object.Find("ParentFont");
  const bool ownFont = name || height || size || style;
  if (!ownFont && parentFont != nullptr) return nullptr;
  if (parentFontFlag && ParseBool(ValueText(parentFontFlag->value)) == true && parentFont != nullptr) return nullptr;
  LOGFONTW font{};
  if (parentFont != nullptr) GetObjectW(parentFont, sizeof font, &font);
  if (parentFont == nullptr) {
    font.lfHeight = -11;
    font.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(font.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
  }
  if (name) {
    const std::wstring face = Wide(ValueText(name->value));
    std::wmemset(font.lfFaceName, L'\0', LF_FACESIZE);
    std::wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  }
  if (height) {
    font.lfHeight = static_cast<LONG>(static_cast<double>(ParseInteger(ValueText(height->value)).value_or(-11)) * scale);
  } else if (size) {
    const long long points = ParseInteger(ValueText(size->value)).value_or(8);
    font.lfHeight = -MulDiv(static_cast<int>(points), static_cast<int>(96 * scale), 72);
  }
  if (style) {
    font.lfWeight = FW_NORMAL;
    font.lfItalic = FALSE;
    font.lfUnderline = FALSE;
    font.lfStrikeOut = FALSE;
    for (const std::string& item : style->value.items) {
      if (EqualsIgnoreCase(item, "fsBold")) font.lfWeight = FW_BOLD;
      if (EqualsIgnoreCase(item, "fsItalic")) font.lfItalic = TRUE;
      if (EqualsIgnoreCase(item, "fsUnderline")) font.lfUnderline = TRUE;
      if (EqualsIgnoreCase(item, "fsStrikeOut")) font.lfStrikeOut = TRUE;
    }
  }
  return CreateFontIndirectW(&font);
}

void ForwardToForm(HWND container, bool erasesItself) {
  SetWindowSubclass(container, ForwardingProcedure, kForwardSubclass, erasesItself ? 1 : 0);
}

Control& CreateControl(State& state, Form& form, const FormObject& object, HWND parentWindow,
                       const std::string& parentName, HFONT parentFont) {
  auto owned = std::make_unique<Control>();
  Control& control = *owned;
  control.name = object.name;
  control.className = object.className;
  control.parent = parentName;
  control.kind = EqualsIgnoreCase(object.name, "cmpFormDesigner") ? Kind::NonVisual
                                                                    : KindOfClass(object.className).value_or(Kind::NonVisual);
  control.id = 1000 + static_cast<int>(form.controls.size());
  for (const FormProperty& property : object.properties) control.stored[property.name] = ValueText(property.value);
  form.controls.push_back(std::move(owned));
  if (control.kind == Kind::NonVisual) return control;

  const Recipe recipe = RecipeFor(state, control.kind, object);
  RECT bounds = BoundsOfObject(object, form.scale);
  if (control.kind == Kind::TabSheet) {
    // A sheet fills its page control's display area, wherever the file put it.
    GetClientRect(parentWindow, &bounds);
    TabCtrl_AdjustRect(parentWindow, FALSE, &bounds);
  }
  int height = bounds.bottom - bounds.top;
  // A drop-down combo box's window includes its open list.
  if (std::wcscmp(recipe.windowClass, WC_COMBOBOXW) == 0) height += static_cast<int>(200 * form.scale);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | recipe.style;
  if (StoredTrue(object, "Visible", true) && control.kind != Kind::TabSheet) style |= WS_VISIBLE;
  control.hwnd = CreateWindowExW(recipe.exStyle, recipe.windowClass, L"", style, bounds.left, bounds.top,
                                 bounds.right - bounds.left, height, parentWindow,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), GetModuleHandleW(nullptr),
                                 nullptr);
  if (control.hwnd == nullptr)
    throw FormError("cannot create the control " + object.name + " (" + object.className + ")", object.line);
  form.byHandle[control.hwnd] = &control;
  form.byId[control.id] = &control;

  control.font = FontOf(object, form.scale, parentFont);
  SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(control.font ? control.font : parentFont), FALSE);
  SetWindowSubclass(control.hwnd, ReportingProcedure, kReportSubclass, reinterpret_cast<DWORD_PTR>(&state));
  switch (control.kind) {
    case Kind::GroupBox:
    case Kind::PageControl:
      ForwardToForm(control.hwnd, control.kind == Kind::GroupBox);
      break;
    case Kind::Panel:
      SetWindowLongPtrW(control.hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(PanelBevel(object)));
      break;
    case Kind::Shape:
      SetUpShape(control.hwnd, object);
      break;
    case Kind::CheckListBox:
      SetUpListView(control.hwnd, bounds.right - bounds.left);
      control.checks = std::make_unique<Win32CheckList>(state, control.hwnd);
      break;
    case Kind::TreeView:
      control.tree = std::make_unique<Win32TreeView>(state, control.hwnd);
      break;
    case Kind::RichEdit:
      SendMessageW(control.hwnd, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SCROLL);
      break;
    // The authoring tool's ranges where the file leaves them out.
    case Kind::UpDown:
      SendMessageW(control.hwnd, UDM_SETRANGE32, 0, 100);
      break;
    case Kind::TrackBar:
      SendMessageW(control.hwnd, TBM_SETRANGE, FALSE, MAKELPARAM(0, 10));
      break;
    case Kind::Image:
      if (const FormProperty* picture = object.Find("Picture.Data")) {
        control.bitmap = BitmapOfPicture(picture->value.bytes);
        if (control.bitmap) SendMessageW(control.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(control.bitmap));
      }
      break;
    case Kind::TabSheet: {
      const std::wstring caption = Wide(StoredOr(object, "Caption", object.name.c_str()));
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(caption.c_str());
      SendMessageW(parentWindow, TCM_INSERTITEMW, static_cast<WPARAM>(TabCtrl_GetItemCount(parentWindow)),
                   reinterpret_cast<LPARAM>(&item));
      SetWindowLongPtrW(control.hwnd, GWLP_USERDATA, 0);
      break;
    }
    default:
      break;
  }
  return control;
}

void ApplyStoredProperties(State& state, Form& form, Control& control, const FormObject& object) {
  // Lists and ranges first, so that an index or a position lands inside them.
  const auto early = [](const std::string& name) {
    return EqualsIgnoreCase(name, "Items.Strings") || EqualsIgnoreCase(name, "Lines.Strings") ||
           EqualsIgnoreCase(name, "Min") || EqualsIgnoreCase(name, "Max") || EqualsIgnoreCase(name, "MinValue") ||
           EqualsIgnoreCase(name, "MaxValue");
  };
  const auto handledAtCreation = [](const std::string& name) {
    return (StartsWith(ToLowerAscii(name), "font.") && !EqualsIgnoreCase(name, "Font.Color")) ||
           EqualsIgnoreCase(name, "Left") ||
           EqualsIgnoreCase(name, "Top") || EqualsIgnoreCase(name, "Width") || EqualsIgnoreCase(name, "Height") ||
           EqualsIgnoreCase(name, "Picture.Data") || EqualsIgnoreCase(name, "Style");
  };
  for (int pass = 0; pass < 2; ++pass)
    for (const FormProperty& property : object.properties) {
      if (early(property.name) != (pass == 0) || handledAtCreation(property.name)) continue;
      WriteProperty(state, form, control, property.name, ValueText(property.value));
    }
  if (control.kind == Kind::ProgressBar && EqualsIgnoreCase(StoredOr(object, "Style", ""), "pbstMarquee"))
    WriteProperty(state, form, control, "Style", "pbstMarquee");
  if (control.kind == Kind::Edit || control.kind == Kind::MaskEdit || control.kind == Kind::Memo ||
      control.kind == Kind::RichEdit) {
    // Text has been set; a multi-line control starts at its first line.
    SendMessageW(control.hwnd, EM_SETSEL, 0, 0);
  }
}

}  // namespace quarrix::platform::win32::toolkit

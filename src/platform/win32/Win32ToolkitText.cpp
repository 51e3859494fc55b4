// Text, numbers and colours at the toolkit's edge, and the kinds the dialog files' classes map to.
#include <cstdlib>

#include "platform/ControlClasses.h"
#include "platform/win32/Win32ToolkitParts.h"

namespace quarrix::platform::win32::toolkit {

namespace {

struct ClassKind {
  const char* className;
  Kind kind;
};

constexpr ClassKind kClassKinds[] = {
    {"TLabel", Kind::Label},
    {"TEdit", Kind::Edit},
    {"TMemo", Kind::Memo},
    {"TButton", Kind::Button},
    {"TRzCheckBox", Kind::CheckBox},
    {"TRzRadioButton", Kind::RadioButton},
    {"TListBox", Kind::ListBox},
    {"TComboBox", Kind::ComboBox},
    {"TGroupBox", Kind::GroupBox},
    {"TPanel", Kind::Panel},
    {"TBitBtn", Kind::Button},
    {"TSpeedButton", Kind::SpeedButton},
    {"TMaskEdit", Kind::MaskEdit},
    {"TImage", Kind::Image},
    {"TShape", Kind::Shape},
    {"TBevel", Kind::Bevel},
    {"TStaticText", Kind::StaticText},
    {"TGauge", Kind::Gauge},
    {"TPageControl", Kind::PageControl},
    {"TTabSheet", Kind::TabSheet},
    {"TRichEdit", Kind::RichEdit},
    {"TTrackBar", Kind::TrackBar},
    {"TProgressBar", Kind::ProgressBar},
    {"TUpDown", Kind::UpDown},
    {"TAnimate", Kind::Animate},
    {"TCheckListBox", Kind::CheckListBox},
    {"TTreeView", Kind::TreeView},
    {"THTMLViewer", Kind::HtmlViewer},
    {"TFileListBox", Kind::FileListBox},
    {"TDirectoryListBox", Kind::DirectoryListBox},
    {"TDriveComboBox", Kind::DriveComboBox},
    {"TFilterComboBox", Kind::FilterComboBox},
    {"TPTShellTree", Kind::ShellTree},
    {"TPTShellList", Kind::ShellList},
    {"TPTShellCombo", Kind::ShellCombo},
    {"TFlashFrame", Kind::FlashFrame},
    // A window region cut from a picture and the glass frame: properties of the window rather
    // than controls; kept so that rules and bindings find them.
    {"TRzFormShape", Kind::NonVisual},
    {"TRzBmpButton", Kind::Button},
    {"TVistaGlass", Kind::NonVisual},
};
static_assert(std::size(kClassKinds) == kControlClasses.size(), "every control class has a kind");

struct NamedColor {
  const char* name;
  int systemIndex;  // -1: rgb
  COLORREF rgb;
};

constexpr NamedColor kNamedColors[] = {
    {"clBlack", -1, RGB(0, 0, 0)},           {"clMaroon", -1, RGB(128, 0, 0)},
    {"clGreen", -1, RGB(0, 128, 0)},         {"clOlive", -1, RGB(128, 128, 0)},
    {"clNavy", -1, RGB(0, 0, 128)},          {"clPurple", -1, RGB(128, 0, 128)},
    {"clTeal", -1, RGB(0, 128, 128)},        {"clGray", -1, RGB(128, 128, 128)},
    {"clSilver", -1, RGB(192, 192, 192)},    {"clRed", -1, RGB(255, 0, 0)},
    {"clLime", -1, RGB(0, 255, 0)},          {"clYellow", -1, RGB(255, 255, 0)},
    {"clBlue", -1, RGB(0, 0, 255)},          {"clFuchsia", -1, RGB(255, 0, 255)},
    {"clAqua", -1, RGB(0, 255, 255)},        {"clWhite", -1, RGB(255, 255, 255)},
    {"clBtnFace", COLOR_BTNFACE, 0},         {"clWindow", COLOR_WINDOW, 0},
    {"clWindowText", COLOR_WINDOWTEXT, 0},   {"clBtnText", COLOR_BTNTEXT, 0},
    {"clHighlight", COLOR_HIGHLIGHT, 0},     {"clHighlightText", COLOR_HIGHLIGHTTEXT, 0},
    {"clGrayText", COLOR_GRAYTEXT, 0},       {"clBtnShadow", COLOR_BTNSHADOW, 0},
    {"clBtnHighlight", COLOR_BTNHIGHLIGHT, 0}, {"clInfoBk", COLOR_INFOBK, 0},
    {"clInfoText", COLOR_INFOTEXT, 0},
};

}  // namespace

std::optional<Kind> KindOfClass(const std::string& className) {
  for (const ClassKind& entry : kClassKinds)
    if (EqualsIgnoreCase(entry.className, className)) return entry.kind;
  return std::nullopt;
}

bool IsContainer(Kind kind) {
  return kind == Kind::Panel || kind == Kind::GroupBox || kind == Kind::TabSheet || kind == Kind::PageControl;
}

bool IsWindowed(Kind kind) {
  switch (kind) {
    case Kind::Label:
    case Kind::SpeedButton:
    case Kind::Image:
    case Kind::Shape:
    case Kind::Bevel:
    case Kind::Gauge:
    case Kind::NonVisual:
      return false;
    default:
      return true;
  }
}

std::wstring Wide(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
  return wide;
}

std::string Ansi(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string ansi(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length, nullptr,
                      nullptr);
  return ansi;
}

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return Ansi(text);
}

void SetWindowTextAnsi(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, Wide(text).c_str()); }

std::string BoolText(bool value) { return value ? "True" : "False"; }

std::optional<bool> ParseBool(const std::string& text) {
  if (EqualsIgnoreCase(text, "True") || text == "-1" || text == "1") return true;
  if (EqualsIgnoreCase(text, "False") || text == "0") return false;
  return std::nullopt;
}

std::optional<long long> ParseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  const bool hex = text[0] == '$';
  const char* begin = text.c_str() + (hex ? 1 : 0);
  char* end = nullptr;
  const long long value = std::strtoll(begin, &end, hex ? 16 : 10);
  if (end == begin || *end != '\0') return std::nullopt;
  return value;
}

std::optional<COLORREF> ParseColor(const std::string& text) {
  for (const NamedColor& named : kNamedColors)
    if (EqualsIgnoreCase(named.name, text))
      return named.systemIndex >= 0 ? GetSysColor(named.systemIndex) : named.rgb;
  const auto number = ParseInteger(text);
  if (!number || *number < 0) return std::nullopt;
  // The file's colours are 0x00BBGGRR, the same layout as COLORREF.
  return static_cast<COLORREF>(*number & 0xFFFFFF);
}

std::string ValueText(const FormValue& value) {
  switch (value.kind) {
    case FormValue::Kind::Set: {
      std::string text = "[";
      for (size_t i = 0; i < value.items.size(); ++i) text += (i ? ", " : "") + value.items[i];
      return text + "]";
    }
    case FormValue::Kind::List: {
      std::string text;
      for (size_t i = 0; i < value.items.size(); ++i) text += (i ? "\r\n" : "") + value.items[i];
      return text;
    }
    case FormValue::Kind::Collection:
    case FormValue::Kind::Binary:
      return {};
    default:
      return value.text;
  }
}

}  // namespace quarrix::platform::win32::toolkit

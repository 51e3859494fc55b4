#pragma once
// The pieces the toolkit's own .cpp files share: forms, controls and the toolkit's state. Only
// Win32Toolkit*.cpp include this; it brings <windows.h> and the common controls with it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/AnsiText.h"
#include "platform/Toolkit.h"
#include "platform/win32/Win32Api.h"
// After <windows.h>.
#include <commctrl.h>
#include <shellapi.h>

struct ITaskbarList3;

namespace quarrix::platform::win32::toolkit {

// Timers of StartTimer are window timers with this id added; tray messages come as kTrayMessage.
inline constexpr UINT_PTR kTimerBase = 0x5100;
inline constexpr UINT kTrayMessage = WM_APP + 1;

// What a dialog file's class becomes on the screen.
enum class Kind {
  Label, StaticText, Edit, MaskEdit, Memo, RichEdit, Button, SpeedButton, CheckBox, RadioButton,
  ListBox, ComboBox, CheckListBox, TreeView, GroupBox, Panel, TabSheet, PageControl, Image, Shape,
  Bevel, ProgressBar, Gauge, TrackBar, UpDown, Animate, HtmlViewer, FlashFrame, FileListBox,
  DirectoryListBox, DriveComboBox, FilterComboBox, ShellTree, ShellList, ShellCombo,
  NonVisual,  // the designer, the form shape, the glass frame: kept, never shown
};

std::optional<Kind> KindOfClass(const std::string& className);
// Controls that hold other controls.
bool IsContainer(Kind kind);
// Controls that are windows of their own in the authoring tool (they take part in the tab
// order); the rest are drawn on their parent there and sit below every windowed sibling here.
bool IsWindowed(Kind kind);

struct State;

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const { return ToLowerAscii(a) < ToLowerAscii(b); }
};

// The engine fills tree views and check lists itself, through these.
class Win32TreeView : public TreeView {
 public:
  Win32TreeView(State& state, HWND hwnd) : state_(state), hwnd_(hwnd) {}
  void Clear() override;
  std::vector<TreeNodeId> AllNodes() override;
  std::vector<TreeNodeId> Children(TreeNodeId node) override;
  std::string Text(TreeNodeId node) override;
  TreeNodeId AddNode(TreeNodeId parent, const std::string& text) override;
  void SetImages(TreeNodeId node, int imageIndex, int selectedImageIndex) override;
  void SetData(TreeNodeId node, intptr_t data) override;

  TreeNodeId NodeOf(HTREEITEM item) const;
  HTREEITEM ItemOf(TreeNodeId node) const;

 private:
  State& state_;
  HWND hwnd_;
  std::vector<HTREEITEM> items_;  // by TreeNodeId, in the order added
  std::vector<TreeNodeId> parents_;
};

class Win32CheckList : public CheckList {
 public:
  Win32CheckList(State& state, HWND hwnd) : state_(state), hwnd_(hwnd) {}
  void Clear() override;
  void AddItem(const std::string& text, bool checked) override;
  size_t Count() override;
  std::string ItemText(size_t index) override;
  bool Checked(size_t index) override;
  void SetChecked(size_t index, bool checked) override;

 private:
  State& state_;
  HWND hwnd_;
};

struct Control {
  std::string name;
  std::string className;
  std::string parent;  // component name; empty on the window itself
  Kind kind = Kind::NonVisual;
  HWND hwnd = nullptr;
  int id = 0;
  int tabOrder = -1;
  bool visible = true;
  bool isDefault = false;
  bool isCancel = false;
  long long maxLength = 0;
  // Properties as the dialog file wrote them (and as the engine last set ones that have no
  // live window state), read back as they stand.
  std::map<std::string, std::string, CaseInsensitiveLess> stored;
  HFONT font = nullptr;  // owned
  std::optional<COLORREF> color;
  std::optional<COLORREF> fontColor;
  HBRUSH brush = nullptr;  // owned, of color
  HBITMAP bitmap = nullptr;  // owned, a TImage's picture
  std::unique_ptr<Win32TreeView> tree;
  std::unique_ptr<Win32CheckList> checks;
  std::string directory;    // folder controls
  std::string mask = "*.*";  // file lists
  std::vector<std::string> folderEntries;  // the full paths behind a folder list's lines
  std::string document;     // the HTML viewer's page
  std::vector<std::string> filterMasks;  // a filter combo's masks, by item

  ~Control();
};

struct Form {
  FormId id = kNoForm;
  HWND hwnd = nullptr;
  Control self;  // the window's own properties
  std::vector<std::unique_ptr<Control>> controls;  // creation order
  std::unordered_map<HWND, Control*> byHandle;
  std::unordered_map<int, Control*> byId;
  double scale = 1.0;  // screen pixels per dialog-file pixel
  HWND lastFocus = nullptr;
  std::string activeControl;
  HWND modalOwner = nullptr;  // disabled while this form is shown over it

  Control* Find(const std::string& name);
};

struct State {
  std::map<FormId, std::unique_ptr<Form>> forms;
  std::unordered_map<HWND, Form*> formsByHandle;
  FormId nextId = 1;
  std::function<void(ToolkitEvent&)> sink;
  int quiet = 0;  // while above zero the toolkit itself is changing controls: no events
  HWND host = nullptr;  // hidden window: tray messages, timers without a form, popup menus
  HWND owner = nullptr;
  bool trayShown = false;
  NOTIFYICONDATAW tray{};
  bool taskbarTried = false;
  ITaskbarList3* taskbar = nullptr;
  bool comStarted = false;
  HIMAGELIST treeImages = nullptr;
  const wchar_t* richEditClass = nullptr;

  ~State();
  Form* FormOf(FormId form);
  Form* FormOfWindow(HWND hwnd);
  // A component or, for "", the window itself.
  Control* ControlOf(FormId form, const std::string& component);
  void Fire(ToolkitEvent& event);
};

// Text at the platform edge: script data are ANSI bytes, windows speak UTF-16.
std::wstring Wide(const std::string& ansi);
std::string Ansi(const std::wstring& wide);
std::string WindowText(HWND hwnd);
void SetWindowTextAnsi(HWND hwnd, const std::string& text);
std::string BoolText(bool value);
std::optional<bool> ParseBool(const std::string& text);
std::optional<long long> ParseInteger(const std::string& text);
// clWhite, clBtnFace, $00FF8000 (blue, green, red from the high byte down).
std::optional<COLORREF> ParseColor(const std::string& text);
// The dialog file's value as the text a property reads as.
std::string ValueText(const FormValue& value);

// Window classes of the toolkit's own (form, panel, shape, host), registered once.
void RegisterWindowClasses(State& state);
extern const wchar_t* const kFormClass;
extern const wchar_t* const kPanelClass;
extern const wchar_t* const kShapeClass;
extern const wchar_t* const kHostClass;

// Building: one control of a dialog file object, as a child of parentWindow.
Control& CreateControl(State& state, Form& form, const FormObject& object, HWND parentWindow,
                       const std::string& parentName, HFONT parentFont);
// The font an object asks for, or nullptr when it takes its parent's.
HFONT FontOf(const FormObject& object, double scale, HFONT parentFont);
// The dialog file's properties applied through the property setters.
void ApplyStoredProperties(State& state, Form& form, Control& control, const FormObject& object);
// Forwards what children tell their container to the form, for the controls inside panels,
// group boxes and tab sheets.
void ForwardToForm(HWND container, bool erasesItself);

// Properties by name on one control.
std::optional<std::string> ReadProperty(State& state, Form& form, Control& control, const std::string& property);
bool WriteProperty(State& state, Form& form, Control& control, const std::string& property,
                   const std::string& value);

// Lists and folders.
std::vector<std::string> ReadItems(Control& control);
void WriteItems(State& state, Control& control, const std::vector<std::string>& items);
std::vector<bool> ReadSelection(Control& control);
void WriteSelected(State& state, Control& control, size_t index, bool selected);
// Refills a folder control from control.directory.
void FillFolderControl(State& state, Control& control);
// A folder list's line chosen by the user: the folder it stands for, or nothing.
std::optional<std::string> FolderOfLine(Control& control, int line);
std::string SelectedTreePath(Control& control);
HIMAGELIST TreeImages(State& state);

// Events from the form's window procedure.
LRESULT HandleCommand(State& state, Form& form, WPARAM wParam, LPARAM lParam);
LRESULT HandleNotify(State& state, Form& form, NMHDR& header);
void HandleScroll(State& state, Form& form, HWND control);
void SelectTab(State& state, Form& form, Control& pageControl, int index);
void ShowTabSheets(Form& form, Control& pageControl);

// The hidden window of tray messages, timers without a form and popup menus; made on first use.
HWND HostWindow(State& state);
// Shell_NotifyIconW, from shell32 loaded on first use: a setup that shows no tray icon does not
// pay for loading the shell at start-up. False where it cannot be called.
bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data);
// The rich edit window class, its library loaded on first use; the plain edit where none loads.
const wchar_t* RichEditClass(State& state);
// The taskbar list of the system, made on first use; nullptr where there is none.
ITaskbarList3* Taskbar(State& state);

// The tray host's window procedure.
LRESULT CALLBACK HostProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FormProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs a change of controls without reporting it as the user's doing.
class Quiet {
 public:
  explicit Quiet(State& state) : state_(state) { ++state_.quiet; }
  ~Quiet() { --state_.quiet; }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  State& state_;
};

}  // namespace quarrix::platform::win32::toolkit

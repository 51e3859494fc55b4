// Drives the engine's win32 window toolkit the way the dialog engine does, and reports what it
// read back as "key value" lines in a file (output of a program under Wine is not piped back
// reliably).
//   toolkit-probe build REPORT   every control kind built, read back and written; exits 0
//   toolkit-probe show REPORT    a wizard page shown until its Next (exit 6) or Cancel (exit 2)
//                                button is pressed; the report is flushed line by line
//   toolkit-probe page DFM REPORT  a dialog file parsed and shown (its $TITLE$ and $TARGETDIR$
//                                written in), until a button with tag 1 (exit 6) or 3 (exit 2)
//   toolkit-probe paint REPORT   the same page built and painted; reports the milliseconds from
//                                the process's creation, stays up a moment and exits 0
//                                (bench/first_dialog.py)
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ControlClasses.h"
#include "ui/FormParser.h"
#include "platform/win32/Win32Toolkit.h"
#include "platform/win32/Win32Api.h"
// After <windows.h>.
#include <commctrl.h>

using quarrix::platform::ComponentInfo;
using quarrix::platform::EventKind;
using quarrix::platform::FormError;
using quarrix::platform::FormId;
using quarrix::platform::FormObject;
using quarrix::platform::FormProperty;
using quarrix::platform::FormValue;
using quarrix::platform::ToolkitEvent;
using quarrix::platform::win32::Win32Toolkit;

namespace {

std::FILE* report = nullptr;

void Line(const std::string& text) {
  std::fprintf(report, "%s\n", text.c_str());
  std::fflush(report);
}

// Dialog file objects written by hand: P("Left", "8") guesses the kind as the file would show it.
FormProperty P(const std::string& name, const std::string& text, int line = 0) {
  FormProperty property;
  property.name = name;
  property.line = line;
  const bool number = !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-');
  const bool identifier = text == "True" || text == "False" || text.rfind("cl", 0) == 0 ||
                          text.rfind("bs", 0) == 0 || text.rfind("cs", 0) == 0 || text.rfind("ss", 0) == 0 ||
                          text.rfind("ta", 0) == 0;
  property.value.kind = number ? FormValue::Kind::Integer
                               : identifier ? FormValue::Kind::Identifier : FormValue::Kind::String;
  property.value.text = text;
  return property;
}

FormProperty List(const std::string& name, std::vector<std::string> items) {
  FormProperty property;
  property.name = name;
  property.value.kind = FormValue::Kind::List;
  property.value.items = std::move(items);
  return property;
}

FormProperty Set(const std::string& name, std::vector<std::string> items) {
  FormProperty property = List(name, std::move(items));
  property.value.kind = FormValue::Kind::Set;
  return property;
}

FormObject Object(const std::string& name, const std::string& className, std::vector<FormProperty> properties,
                  std::vector<FormObject> children = {}, int line = 0) {
  FormObject object;
  object.name = name;
  object.className = className;
  object.properties = std::move(properties);
  object.children = std::move(children);
  object.line = line;
  return object;
}

std::vector<FormProperty> Place(int left, int top, int width, int height, std::vector<FormProperty> more = {}) {
  std::vector<FormProperty> properties{P("Left", std::to_string(left)), P("Top", std::to_string(top)),
                                       P("Width", std::to_string(width)), P("Height", std::to_string(height))};
  properties.insert(properties.end(), more.begin(), more.end());
  return properties;
}

FormObject Window(const std::string& caption, std::vector<FormObject> children) {
  return Object("Pool", "TPoolTemplate",
                {P("Left", "0"), P("Top", "0"), P("Caption", caption), P("ClientWidth", "497"),
                 P("ClientHeight", "360"), P("Color", "clBtnFace"), P("Font.Name", "Tahoma"), P("Font.Height", "-11"),
                 P("BorderStyle", "bsSingle"), Set("BorderIcons", {"biSystemMenu", "biMinimize"}),
                 P("PixelsPerInch", "96")},
                std::move(children));
}

// Line breaks written as \r and \n, so that every report entry stays on its line.
std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) escaped += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
  return escaped;
}

std::string Read(Win32Toolkit& toolkit, FormId form, const std::string& component, const std::string& property) {
  const auto value = toolkit.GetProperty(form, component, property);
  return value ? Escaped(*value) : "<none>";
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) text += (i ? "|" : "") + items[i];
  return text;
}

// -- build ------------------------------------------------------------------------------------

// One object per control class, on a grid; containers hold a child each.
FormObject EveryKind() {
  std::vector<FormObject> children;
  int index = 0;
  for (std::string_view known : quarrix::platform::kControlClasses) {
    const std::string className(known);
    if (className == "TTabSheet") continue;  // inside the page control below
    const std::string name = className.substr(className[1] == 'R' && className[2] == 'z' ? 3 : 1) + "1";
    const int left = 8 + (index % 6) * 80;
    const int top = 8 + (index / 6) * 50;
    std::vector<FormProperty> properties = Place(left, top, 76, 40, {P("Hint", "VAR_" + name),
                                                                     P("Tag", std::to_string(index)),
                                                                     P("TabOrder", std::to_string(index))});
    if (className == "TEdit" || className == "TMaskEdit" || className == "TComboBox")
      properties.push_back(P("Text", "text of " + name));
    else if (className != "TMemo" && className != "TRichEdit")
      properties.push_back(P("Caption", "caption of " + name));
    std::vector<FormObject> inner;
    if (className == "TListBox" || className == "TComboBox" || className == "TCheckListBox")
      properties.push_back(List("Items.Strings", {"one", "two", "three"}));
    if (className == "TMemo" || className == "TRichEdit")
      properties.push_back(List("Lines.Strings", {"first line", "second line"}));
    if (className == "TMemo") properties.push_back(P("ScrollBars", "ssVertical"));
    if (className == "TProgressBar" || className == "TTrackBar")
      for (auto& range : {P("Min", "0"), P("Max", "200"), P("Position", "50")}) properties.push_back(range);
    if (className == "TGauge")
      for (auto& range : {P("MinValue", "0"), P("MaxValue", "200"), P("Progress", "50")}) properties.push_back(range);
    if (className == "TPanel") inner.push_back(Object("PanelLabel", "TLabel", Place(2, 2, 60, 13, {P("Caption", "on panel")})));
    if (className == "TGroupBox")
      inner.push_back(Object("GroupRadio", "TRzRadioButton", Place(4, 14, 60, 17, {P("Caption", "in group")})));
    if (className == "TPageControl") {
      properties.push_back(P("ActivePage", "TabSheet2"));
      inner.push_back(Object("TabSheet1", "TTabSheet", {P("Caption", "First")},
                             {Object("SheetEdit", "TEdit", Place(2, 2, 40, 21, {P("Text", "on sheet")}))}));
      inner.push_back(Object("TabSheet2", "TTabSheet", {P("Caption", "Second")}));
    }
    children.push_back(Object(name, className, std::move(properties), std::move(inner)));
    ++index;
  }
  children.push_back(Object("cmpFormDesigner", "TzFormDesigner", {}));
  FormObject window = Window("Every kind", std::move(children));
  window.properties.push_back(P("ClientWidth", "500"));
  return window;
}

struct RoundTrip {
  const char* component;
  const char* property;
  const char* value;
};

constexpr RoundTrip kRoundTrips[] = {
    {"", "Caption", "Renamed window"},
    {"Edit1", "Text", "C:\\Program Files\\Probe"},
    {"Memo1", "Text", "line one\r\nline two"},
    {"Label1", "Caption", "A label"},
    {"CheckBox1", "Checked", "True"},
    {"RadioButton1", "Checked", "True"},
    {"ComboBox1", "ItemIndex", "2"},
    {"ListBox1", "ItemIndex", "1"},
    {"CheckListBox1", "ItemIndex", "0"},
    {"TrackBar1", "Position", "120"},
    {"ProgressBar1", "Max", "400"},
    {"ProgressBar1", "Position", "300"},
    {"Gauge1", "Progress", "75"},
    {"UpDown1", "Max", "10"},
    {"UpDown1", "Position", "7"},
    {"Button1", "Enabled", "False"},
    {"Button1", "Visible", "False"},
    {"Button1", "Left", "100"},
    {"Button1", "Width", "90"},
    {"Memo1", "MaxLength", "2147483647"},
    {"Memo1", "ReadOnly", "True"},
    {"Edit1", "Hint", "TARGETDIR"},
    {"Edit1", "Tag", "2"},
    {"Edit1", "TabOrder", "30"},
    {"PageControl1", "ActivePage", "TabSheet1"},
    {"StaticText1", "Caption", "Progress text"},
    {"FormShape1", "Enabled", "False"},
};

void BuildEveryKind(Win32Toolkit& toolkit) {
  std::vector<std::string> events;
  toolkit.SetEventSink([&](ToolkitEvent& event) {
    if (event.kind == EventKind::Change) events.push_back("Change " + event.component);
    if (event.kind == EventKind::Click) events.push_back("Click " + event.component);
    if (event.kind == EventKind::Scroll) events.push_back("Scroll " + event.component);
  });
  const FormId form = toolkit.CreateForm(EveryKind());
  Line("events-while-building " + std::to_string(events.size()));
  for (const ComponentInfo& component : toolkit.Components(form)) {
    Line("component " + component.name + " " + component.className + " " +
         (component.parent.empty() ? "-" : component.parent));
    for (const char* property : {"Caption", "Text", "Hint", "Tag", "Left", "Top", "Width", "Height", "Visible"})
      Line("read " + component.name + "." + property + "=" + Read(toolkit, form, component.name, property));
    const auto items = toolkit.Items(form, component.name);
    if (!items.empty()) Line("items " + component.name + "=" + Joined(items));
  }
  for (const char* property : {"Position", "Min", "Max"})
    for (const char* name : {"ProgressBar1", "TrackBar1"})
      Line(std::string("read ") + name + "." + property + "=" + Read(toolkit, form, name, property));
  Line("read Gauge1.Progress=" + Read(toolkit, form, "Gauge1", "Progress"));
  Line("read PageControl1.ActivePage=" + Read(toolkit, form, "PageControl1", "ActivePage"));
  Line("read .Caption=" + Read(toolkit, form, "", "Caption"));

  for (const RoundTrip& trip : kRoundTrips) {
    const bool written = toolkit.SetProperty(form, trip.component, trip.property, trip.value);
    Line(std::string("roundtrip ") + trip.component + "." + trip.property + " value=" + Escaped(trip.value) +
         " written=" + (written ? "1" : "0") + " read=" + Read(toolkit, form, trip.component, trip.property));
  }
  Line("after ComboBox1.Text=" + Read(toolkit, form, "ComboBox1", "Text"));
  Line("after ListBox1.Text=" + Read(toolkit, form, "ListBox1", "Text"));
  Line("after RadioButton1.Checked=" + Read(toolkit, form, "RadioButton1", "Checked"));
  Line("after GroupRadio.Checked=" + Read(toolkit, form, "GroupRadio", "Checked"));
  Line("unknown-property read=" + Read(toolkit, form, "Edit1", "NoSuchProperty") +
       " written=" + (toolkit.SetProperty(form, "Edit1", "NoSuchProperty", "1") ? "1" : "0"));
  Line("unknown-component read=" + Read(toolkit, form, "NoSuchControl", "Caption") +
       " written=" + (toolkit.SetProperty(form, "NoSuchControl", "Caption", "x") ? "1" : "0"));
  Line("events-after-writes " + Joined(events));

  // Lists the engine fills itself.
  toolkit.SetItems(form, "ListBox1", {"alpha", "beta", "gamma"});
  toolkit.SetSelected(form, "ListBox1", 2, true);
  std::string selection;
  for (bool selected : toolkit.Selection(form, "ListBox1")) selection += selected ? "1" : "0";
  Line("listbox items=" + Joined(toolkit.Items(form, "ListBox1")) + " selection=" + selection);
  auto* tree = toolkit.TreeOf(form, "TreeView1");
  const auto root = tree->AddNode(quarrix::platform::kNoTreeNode, "Program");
  tree->AddNode(tree->AddNode(root, "Help"), "Samples");
  tree->AddNode(quarrix::platform::kNoTreeNode, "Tools");
  tree->SetImages(root, 1, 1);
  std::string order;
  for (auto node : tree->AllNodes()) order += (order.empty() ? "" : "|") + tree->Text(node);
  Line("tree nodes=" + order + " children-of-root=" + std::to_string(tree->Children(root).size()));
  toolkit.SetSelected(form, "TreeView1", 1, true);
  Line("tree selected=" + Read(toolkit, form, "TreeView1", "Selected") +
       " path=" + Read(toolkit, form, "TreeView1", "Selected.Path"));
  const bool reselected = toolkit.SetProperty(form, "TreeView1", "Selected", "3");
  Line("tree reselected=" + std::string(reselected ? "1" : "0") + " path=" +
       Read(toolkit, form, "TreeView1", "Selected.Path"));
  auto* checks = toolkit.CheckListOf(form, "CheckListBox1");
  checks->Clear();
  checks->AddItem("Core", true);
  checks->AddItem("Docs", false);
  checks->SetChecked(1, true);
  checks->SetChecked(0, false);
  Line("checklist count=" + std::to_string(checks->Count()) + " texts=" + checks->ItemText(0) + "|" +
       checks->ItemText(1) + " checked=" + (checks->Checked(0) ? "1" : "0") + (checks->Checked(1) ? "1" : "0"));
  Line("toolkit-kinds tree=" + std::string(toolkit.TreeOf(form, "Edit1") ? "1" : "0") +
       " checklist=" + (toolkit.CheckListOf(form, "Edit1") ? "1" : "0"));

  // Folder controls on the prefix's own folders.
  const bool moved = toolkit.SetProperty(form, "DirectoryListBox1", "Directory", "C:\\windows");
  Line("folder moved=" + std::string(moved ? "1" : "0") + " directory=" + Read(toolkit, form, "DirectoryListBox1",
                                                                           "Directory") +
       " lists-system32=" + (Joined(toolkit.Items(form, "DirectoryListBox1")).find("system32") != std::string::npos ? "1" : "0"));
  toolkit.SetProperty(form, "FileListBox1", "Mask", "*.exe");
  toolkit.SetProperty(form, "FileListBox1", "Directory", "C:\\windows");
  Line("files notepad=" + std::string(Joined(toolkit.Items(form, "FileListBox1")).find("notepad.exe") !=
                                               std::string::npos ? "1" : "0"));
  const bool movedToMissing = toolkit.SetProperty(form, "DirectoryListBox1", "Directory", "C:\\no\\such\\folder");
  Line("folder missing=" + std::string(movedToMissing ? "1" : "0") +
       " directory=" + Read(toolkit, form, "DirectoryListBox1", "Directory"));
  toolkit.SetProperty(form, "DriveComboBox1", "Drive", "c");
  Line("drive=" + Read(toolkit, form, "DriveComboBox1", "Drive"));

  // A licence file into the memo, then its scroll state.
  const std::string licence = "C:\\windows\\temp\\probe-licence.txt";
  if (std::FILE* file = std::fopen(licence.c_str(), "wb")) {
    for (int i = 0; i < 200; ++i) std::fprintf(file, "Licence line %d\r\n", i);
    std::fclose(file);
  }
  // Each call on its own line: the operands of one expression run in no fixed order.
  const bool loaded = toolkit.LoadFile(form, "Memo1", licence);
  const size_t lines = toolkit.Items(form, "Memo1").size();
  const bool loadedMissing = toolkit.LoadFile(form, "Memo1", "C:\\no\\such.txt");
  Line("loadfile memo=" + std::string(loaded ? "1" : "0") + " lines=" + std::to_string(lines) +
       " missing=" + (loadedMissing ? "1" : "0"));
  const bool scrollBar = toolkit.HasVerticalScrollBar(form, "Memo1");
  const bool endBefore = toolkit.ScrolledToEnd(form, "Memo1");
  // The user drags the memo's scroll bar to the bottom.
  HWND memo = FindWindowExW(reinterpret_cast<HWND>(toolkit.NativeHandle(form)), nullptr, L"Edit", nullptr);
  while (memo != nullptr && (GetWindowLongPtrW(memo, GWL_STYLE) & ES_MULTILINE) == 0)
    memo = FindWindowExW(reinterpret_cast<HWND>(toolkit.NativeHandle(form)), memo, L"Edit", nullptr);
  events.clear();
  SendMessageW(memo, WM_VSCROLL, SB_BOTTOM, 0);
  Line("scroll events=" + Joined(events) + " bar=" + std::string(scrollBar ? "1" : "0") +
       " end-before=" + (endBefore ? "1" : "0") +
       " end-after=" + (toolkit.ScrolledToEnd(form, "Memo1") ? "1" : "0") +
       " label-bar=" + (toolkit.HasVerticalScrollBar(form, "Label1") ? "1" : "0"));

  // Timers, tray, taskbar and the system's controls library.
  bool ticked = false;
  toolkit.SetEventSink([&](ToolkitEvent& event) {
    if (event.kind == EventKind::Timer && event.timerId == 3) ticked = true;
  });
  toolkit.StartTimer(form, 3, 20);
  const auto start = std::chrono::steady_clock::now();
  while (!ticked && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) toolkit.ProcessOneMessage(50);
  toolkit.StopTimer(form, 3);
  Line("timer fired=" + std::string(ticked ? "1" : "0"));
  toolkit.ShowTrayIcon("Probe Setup");
  const bool shown = toolkit.TrayIconShown();
  toolkit.ShowBalloon("Probe", "Balloon text", quarrix::platform::BalloonIcon::Information, 10000);
  toolkit.HideTrayIcon();
  Line("tray shown=" + std::string(shown ? "1" : "0") + " hidden=" + (toolkit.TrayIconShown() ? "0" : "1"));
  const bool taskbar = toolkit.HasTaskbarProgress();
  Line("taskbar available=" + std::string(taskbar ? "1" : "0") + " state=" +
       (toolkit.SetTaskbarState(form, quarrix::platform::TaskbarState::Normal) ? "1" : "0") +
       " progress=" + (toolkit.SetTaskbarProgress(form, 50, 100) ? "1" : "0"));
  // Only the version 6 buttons know their ideal size; the system's older ones answer nothing.
  HWND button = CreateWindowW(L"Button", L"Ideal", WS_POPUP | BS_PUSHBUTTON, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  SIZE ideal{};
  const bool v6 = SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
  DestroyWindow(button);
  Line("controls-v6=" + std::string(v6 ? "1" : "0"));
  toolkit.DestroyForm(form);
  Line("destroyed components=" + std::to_string(toolkit.Components(form).size()) +
       " read=" + Read(toolkit, form, "Edit1", "Text"));

  // A class the toolkit does not know fails the whole form, with the line of its object.
  FormObject broken = Window("Broken", {Object("Edit1", "TEdit", Place(1, 1, 10, 10)),
                                        Object("Weird1", "TNoSuchControl", Place(1, 1, 10, 10), {}, 12)});
  try {
    toolkit.CreateForm(broken);
    Line("unknown-class created");
  } catch (const FormError& error) {
    Line("unknown-class line=" + std::to_string(error.line) + " message=" + error.what());
  }
}

// -- show -------------------------------------------------------------------------------------

FormObject WizardPage() {
  return Window(
      "Probe Setup - Quarrix Wizard",
      {Object("Panel1", "TPanel", Place(0, 0, 497, 60, {P("Color", "clWhite"), P("BevelOuter", "bvNone"), P("TabOrder", "0")}),
              {Object("Label1", "TLabel", Place(16, 12, 300, 16, {P("Caption", "Destination Folder"),
                                                                  P("Font.Name", "Tahoma"), P("Font.Height", "-13"),
                                                                  Set("Font.Style", {"fsBold"})})),
               Object("Label2", "TLabel", Place(24, 34, 400, 13,
                                                {P("Caption", "Where should Probe be installed?")}))}),
       Object("Bevel1", "TBevel", Place(0, 60, 497, 2, {P("Shape", "bsTopLine")})),
       Object("Label3", "TLabel", Place(24, 80, 300, 13, {P("Caption", "&Folder:")})),
       Object("Edit1", "TEdit", Place(24, 98, 360, 21, {P("Hint", "TARGETDIR"), P("TabOrder", "1")})),
       Object("Label4", "TLabel", Place(24, 130, 300, 13, {P("Caption", "&Your name:")})),
       Object("Edit2", "TEdit", Place(24, 148, 360, 21, {P("Hint", "USERNAME"), P("TabOrder", "2")})),
       Object("CheckBox1", "TRzCheckBox", Place(24, 184, 300, 17, {P("Caption", "Create a &desktop shortcut"),
                                                                   P("Hint", "DESKTOP"), P("TabOrder", "3")})),
       Object("ProgressBar1", "TProgressBar", Place(24, 216, 449, 17, {P("Position", "40")})),
       Object("Bevel2", "TBevel", Place(0, 314, 497, 2, {P("Shape", "bsTopLine")})),
       Object("Button1", "TButton", Place(250, 326, 75, 25, {P("Caption", "< &Back"), P("Tag", "2"), P("TabOrder", "4")})),
       Object("Button2", "TButton", Place(325, 326, 75, 25, {P("Caption", "&Next >"), P("Tag", "1"), P("Default", "True"),
                                                             P("TabOrder", "5")})),
       Object("Button3", "TButton", Place(410, 326, 75, 25, {P("Caption", "Cancel"), P("Tag", "3"), P("Cancel", "True"),
                                                             P("TabOrder", "6")}))});
}

int ShowWizardPage(Win32Toolkit& toolkit) {
  const FormId form = toolkit.CreateForm(WizardPage());
  int result = -1;
  bool ticked = false;
  toolkit.SetEventSink([&](ToolkitEvent& event) {
    if (event.kind == EventKind::Timer) {
      if (!ticked) Line("timer " + std::to_string(event.timerId));
      ticked = true;
      return;
    }
    if (event.kind == EventKind::Change || event.kind == EventKind::Click)
      Line(std::string("event ") + (event.kind == EventKind::Click ? "Click " : "Change ") + event.component);
    if (event.kind == EventKind::CloseQuery) Line("event CloseQuery");
    if (event.kind != EventKind::Click) return;
    const std::string tag = Read(toolkit, form, event.component, "Tag");
    if (tag == "1") result = 6;
    if (tag == "3") result = 2;
  });
  toolkit.CenterOnScreen(form);
  toolkit.Show(form);
  const bool focused = toolkit.Focus(form, "Edit1");
  toolkit.StartTimer(form, 7, 100);
  toolkit.ProcessPendingMessages();
  char handle[32];
  std::snprintf(handle, sizeof handle, "%llx", static_cast<unsigned long long>(toolkit.NativeHandle(form)));
  Line(std::string("shown handle=") + handle + " visible=" + (toolkit.IsVisible(form) ? "1" : "0") +
       " focused=" + (focused ? "1" : "0"));
  const auto start = std::chrono::steady_clock::now();
  while (result < 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) toolkit.ProcessOneMessage(200);
  for (const char* name : {"Edit1", "Edit2"}) Line(std::string("final ") + name + ".Text=" + Read(toolkit, form, name, "Text"));
  Line("final CheckBox1.Checked=" + Read(toolkit, form, "CheckBox1", "Checked"));
  Line(result == 6 ? "result NEXT" : result == 2 ? "result CANCEL" : "result TIMEOUT");
  toolkit.DestroyForm(form);
  return result < 0 ? 1 : result;
}

double MillisecondsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

int PaintWizardPage(Win32Toolkit& toolkit) {
  const FormId form = toolkit.CreateForm(WizardPage());
  toolkit.CenterOnScreen(form);
  toolkit.Show(form);
  toolkit.Focus(form, "Edit1");
  // Painted once no window of the process waits for its paint any more.
  while (GetQueueStatus(QS_PAINT) & (QS_PAINT << 16)) toolkit.ProcessPendingMessages();
  GdiFlush();
  char elapsed[64];
  std::snprintf(elapsed, sizeof elapsed, "painted-ms %.2f", MillisecondsSinceProcessStart());
  Line(elapsed);
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500)) toolkit.ProcessOneMessage(100);
  toolkit.DestroyForm(form);
  return 0;
}

// -- page -------------------------------------------------------------------------------------

int ShowDialogFile(Win32Toolkit& toolkit, const char* path) {
  std::string text;
  if (std::FILE* file = std::fopen(path, "rb")) {
    char buffer[4096];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, read);
    std::fclose(file);
  }
  // What binding would write into the texts.
  text = quarrix::ReplaceAll(text, "$TITLE$", "Welcome Example");
  text = quarrix::ReplaceAll(text, "$TARGETDIR$", "C:\\Program Files\\Welcome Example");
  const FormId form = toolkit.CreateForm(quarrix::ui::ParseForm(text, path));
  int result = -1;
  toolkit.SetEventSink([&](ToolkitEvent& event) {
    if (event.kind != EventKind::Click) return;
    Line("event Click " + event.component);
    const std::string tag = Read(toolkit, form, event.component, "Tag");
    if (tag == "1") result = 6;
    if (tag == "3") result = 2;
  });
  for (const ComponentInfo& component : toolkit.Components(form))
    Line("component " + component.name + " " + component.className);
  toolkit.CenterOnScreen(form);
  toolkit.Show(form);
  toolkit.Focus(form, "");
  toolkit.ProcessPendingMessages();
  Line("shown caption=" + Read(toolkit, form, "", "Caption"));
  const auto start = std::chrono::steady_clock::now();
  while (result < 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) toolkit.ProcessOneMessage(200);
  toolkit.DestroyForm(form);
  return result < 0 ? 1 : result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "page") {
    report = std::fopen(argv[3], "w");
    if (report == nullptr) return 4;
    Win32Toolkit toolkit;
    try {
      return ShowDialogFile(toolkit, argv[2]);
    } catch (const std::exception& error) {
      Line(std::string("exception ") + error.what());
      return 5;
    }
  }
  if (argc != 3) return 3;
  report = std::fopen(argv[2], "w");
  if (report == nullptr) return 4;
  const std::string mode = argv[1];
  Win32Toolkit toolkit;
  try {
    if (mode == "build") {
      BuildEveryKind(toolkit);
      Line("done");
      return 0;
    }
    if (mode == "show") return ShowWizardPage(toolkit);
    if (mode == "paint") return PaintWizardPage(toolkit);
  } catch (const std::exception& error) {
    Line(std::string("exception ") + error.what());
    return 5;
  }
  return 3;
}

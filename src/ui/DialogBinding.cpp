#include "ui/DialogBinding.h"

#include <stdexcept>
#include <vector>

#include "common/IntegerSyntax.h"
#include "engine/ComponentTable.h"
#include "engine/VariableManager.h"
#include "platform/ControlClasses.h"
#include "ui/DialogHandlers.h"
#include "ui/DialogPaths.h"
#include "ui/DialogRules.h"
#include "ui/InfoTexts.h"

namespace quarrix::ui {
namespace {

constexpr const char* kLogoSuffix = " - Quarrix Wizard";

bool Is(const std::string& className, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (EqualsIgnoreCase(className, name)) return true;
  return false;
}

// The language the project's texts are shown in; empty while none is loaded.
std::string ActiveLanguage(const DialogScope& scope) {
  if (scope.session.translations.texts.empty()) return {};
  return scope.session.variables.GetVariable("LANGUAGE");
}

std::string Translation(const DialogScope& scope, const std::string& control) {
  const TranslationTables& tables = scope.session.translations;
  for (size_t i = 0; i < tables.owners.size() && i < tables.keys.size() && i < tables.texts.size(); ++i)
    if (EqualsIgnoreCase(tables.owners[i], scope.dialog.name) && EqualsIgnoreCase(tables.keys[i], control))
      return tables.texts[i];
  return {};
}

// The control's text as binding shows it: its design text (or translation), expanded.
std::string BoundText(const DialogScope& scope, const std::string& control, const std::string& current) {
  const bool translating = !ActiveLanguage(scope).empty();
  const std::string translated = translating ? Translation(scope, control) : std::string();
  const std::string* design = scope.state.designTexts.Find(scope.dialog.name, control);
  if (design == nullptr)
    design = &scope.state.designTexts.Store(scope.dialog.name, control, translated.empty() ? current : translated);
  return scope.session.variables.ExpandVariables(translated.empty() ? *design : translated);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

void BindCaption(const DialogScope& scope, const std::string& control) {
  scope.Set(control, "Caption", BoundText(scope, control, scope.Get(control, "Caption")));
}

void BindWindow(const DialogScope& scope) {
  std::string caption = BoundText(scope, "", scope.Get("", "Caption"));
  const size_t suffix = caption.find(kLogoSuffix);
  if (scope.session.logoFree) {
    if (suffix != std::string::npos) caption.erase(suffix, std::string(kLogoSuffix).size());
  } else if (suffix == std::string::npos) {
    caption += kLogoSuffix;
  }
  scope.Set("", "Caption", caption);
}

void BindEdit(const DialogScope& scope, const std::string& control) {
  std::string text = BoundText(scope, control, scope.Get(control, "Text"));
  if (std::optional<std::string> value = scope.BoundValue(control)) text = NormalizePathNoExpand(*value);
  if (text.empty()) {
    static const char* const kDefaults[] = {"", "$STARTMENU$", "$TARGETDIR$", "$USERNAME$", "$USERCOMPANY$"};
    const int tag = scope.Tag(control);
    if (tag >= 1 && tag <= 4) text = NormalizePath(scope.session.variables, kDefaults[tag]);
  }
  scope.Set(control, "Text", text);
}

// The first existing support file of the candidates goes into the control; otherwise the hint.
void LoadSupportText(const DialogScope& scope, const std::string& control, bool richEdit, int tag) {
  const std::string language = ActiveLanguage(scope);
  const std::string base = tag == 1 ? "readme" : "license";
  std::vector<std::string> candidates;
  if (richEdit) candidates = {base + "." + language + ".rtf", base + ".rtf"};
  candidates.push_back(base + "." + language + ".txt");
  candidates.push_back(base + ".txt");
  for (const std::string& candidate : candidates) {
    const std::string path = scope.state.dialogFolder + candidate;
    if (scope.session.platform.files.FileExists(path) && scope.toolkit.LoadFile(scope.dialog.form, control, path)) return;
  }
  const std::string hint = richEdit ? "Add a " + base + "." + language + ".rtf or " + base + ".rtf, or " + base + "." +
                                          language + ".txt or " + base +
                                          ".txt file to your project as a support file/creative to display it here."
                                    : "Add a " + base + "." + language + ".txt or " + base +
                                          ".txt file to your project as a support file/creative to display it here.";
  scope.Set(control, "Text", hint);
}

void BindMemo(const DialogScope& scope, const std::string& control, bool richEdit) {
  std::string text = NewlineToCrLf(BoundText(scope, control, CrLfToNewline(scope.Get(control, "Text"))));
  if (std::optional<std::string> value = scope.BoundValue(control)) text = NewlineToCrLf(NormalizePathNoExpand(*value));
  scope.Set(control, "Text", text);
  if (richEdit) scope.Set(control, "ScrollBars", "ssBoth");
  const int tag = scope.Tag(control);
  if (tag == 1 || tag == 2) LoadSupportText(scope, control, richEdit, tag);
  if (!EqualsIgnoreCase(scope.Get(control, "ReadOnly"), "True")) return;
  std::string& readToEnd = richEdit ? scope.dialog.readToEndRichEdit : scope.dialog.readToEndMemo;
  if (!readToEnd.empty()) return;
  readToEnd = control;
  // A text that fits without a scroll bar counts as read at once.
  if (!scope.toolkit.HasVerticalScrollBar(scope.dialog.form, control)) scope.Set(control, "MaxLength", "2147483647");
}

// Items of a list: the design list expanded, empty items dropped.
std::vector<std::string> BindItems(const DialogScope& scope, const std::string& control) {
  const std::string design = JoinLines(scope.toolkit.Items(scope.dialog.form, control));
  std::vector<std::string> items = SplitLines(BoundText(scope, control + ".Items", design));
  for (size_t i = items.size(); i-- > 0;)
    if (items[i].empty()) items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
  scope.toolkit.SetItems(scope.dialog.form, control, items);
  return items;
}

void BindList(const DialogScope& scope, const std::string& control) {
  const std::vector<std::string> items = BindItems(scope, control);
  const std::optional<std::string> value = scope.BoundValue(control);
  if (!value) return;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == *value) scope.toolkit.SetSelected(scope.dialog.form, control, i, true);
}

void BindCheckList(const DialogScope& scope, const std::string& control) {
  platform::CheckList* list = scope.toolkit.CheckListOf(scope.dialog.form, control);
  if (scope.Tag(control) == 1 && list != nullptr) {
    FillComponentList(scope.session.run.components, *list);
    return;
  }
  BindItems(scope, control);
  const std::optional<std::string> value = scope.BoundValue(control);
  if (!value || list == nullptr) return;
  const std::vector<std::string> lines = SplitLines(NewlineToCrLf(*value));
  for (size_t i = 0; i < list->Count(); ++i)
    for (const std::string& line : lines)
      if (line == list->ItemText(i)) list->SetChecked(i, true);
}

void BindCombo(const DialogScope& scope, const std::string& control) {
  const std::vector<std::string> items = BindItems(scope, control);
  const std::optional<std::string> value = scope.BoundValue(control);
  if (!value) return;
  if (EqualsIgnoreCase(scope.Get(control, "Style"), "csDropDownList")) {
    for (size_t i = 0; i < items.size(); ++i)
      if (EqualsIgnoreCase(items[i], *value)) {
        scope.Set(control, "ItemIndex", std::to_string(i));
        break;
      }
  } else {
    scope.Set(control, "Text", *value);
  }
}

void BindTrackBar(const DialogScope& scope, const std::string& control) {
  const std::optional<std::string> value = scope.BoundValue(control);
  if (!value) return;
  const std::optional<int32_t> position = ParseScriptInteger(*value);
  if (!position) throw std::runtime_error("'" + *value + "' is not a valid integer value");
  scope.Set(control, "Position", std::to_string(*position));
}

void BindProgress(const DialogScope& scope, const std::string& control, const char* property) {
  if (scope.Tag(control) != 1) return;
  const std::string text = scope.session.variables.GetVariable("PROGRESS");
  if (text.empty()) return;
  const std::optional<int32_t> position = ParseScriptInteger(text);
  const int32_t shown = position ? std::clamp(*position, 0, 100) : 100;
  scope.Set(control, property, std::to_string(shown));
}

void BindTree(const DialogScope& scope, const std::string& control) {
  platform::TreeView* tree = scope.toolkit.TreeOf(scope.dialog.form, control);
  scope.Set(control, "ReadOnly", "True");
  scope.Set(control, "HideSelection", "False");
  if (tree == nullptr) return;
  if (scope.Tag(control) == 1) {
    FillComponentTree(scope.session.run.components, *tree);
    scope.Set(control, "FullExpand", "True");
    const std::vector<platform::TreeNodeId> nodes = tree->AllNodes();
    if (!nodes.empty()) scope.Set(control, "Selected", std::to_string(nodes.front()));
  }
}

void BindHtmlViewer(const DialogScope& scope, const std::string& control) {
  if (scope.Tag(control) != 1) return;
  for (const std::string& page : {"index." + ActiveLanguage(scope) + ".htm", std::string("index.htm")}) {
    const std::string path = scope.state.dialogFolder + page;
    if (scope.session.platform.files.FileExists(path) && scope.toolkit.LoadFile(scope.dialog.form, control, path)) return;
  }
  scope.Set(control, "Text",
            "Add an index.htm file to your project to display it here, along with any other additional "
            "support/linked files.");
}

void BindFlashFrame(const DialogScope& scope, const std::string& control) {
  scope.Set(control, "PlayerPath", scope.state.dialogFolder + "flash.ocx");
  if (scope.Tag(control) != 1) return;
  for (const std::string& movie : {"movie." + ActiveLanguage(scope) + ".swf", std::string("movie.swf")}) {
    const std::string path = scope.state.dialogFolder + movie;
    if (scope.session.platform.files.FileExists(path)) {
      scope.Set(control, "Movie", path);
      return;
    }
  }
  scope.Set(control, "Caption", "Add a movie.swf file to your project to display it here.");
}

void BindStaticText(const DialogScope& scope, const std::string& control) {
  BindCaption(scope, control);
  if (scope.Tag(control) == 1) scope.Set(control, "Caption", scope.session.variables.ExpandVariables("$PROGRESSTEXT$"));
}

void BindComponent(const DialogScope& scope, const platform::ComponentInfo& info, const std::string& nearestFolder) {
  const std::string& name = info.name;
  const std::string& kind = info.className;
  if (Is(kind, {"TLabel", "TButton", "TBitBtn", "TSpeedButton", "TRzBmpButton", "TPanel", "TGroupBox", "TTabSheet",
                "TRzCheckBox", "TRzRadioButton"}))
    BindCaption(scope, name);
  if (Is(kind, {"TRzCheckBox", "TRzRadioButton"})) {
    if (std::optional<std::string> value = scope.BoundValue(name))
      scope.Set(name, "Checked", IsTrue(*value) ? "True" : "False");
  } else if (Is(kind, {"TStaticText"})) {
    BindStaticText(scope, name);
  } else if (Is(kind, {"TEdit", "TMaskEdit"})) {
    BindEdit(scope, name);
  } else if (Is(kind, {"TMemo", "TRichEdit"})) {
    BindMemo(scope, name, Is(kind, {"TRichEdit"}));
  } else if (Is(kind, {"TListBox"})) {
    BindList(scope, name);
  } else if (Is(kind, {"TCheckListBox"})) {
    BindCheckList(scope, name);
  } else if (Is(kind, {"TComboBox"})) {
    BindCombo(scope, name);
  } else if (Is(kind, {"TTrackBar"})) {
    BindTrackBar(scope, name);
  } else if (Is(kind, {"TProgressBar"})) {
    BindProgress(scope, name, "Position");
  } else if (Is(kind, {"TGauge"})) {
    BindProgress(scope, name, "Progress");
  } else if (Is(kind, {"TTreeView"})) {
    BindTree(scope, name);
  } else if (Is(kind, {"THTMLViewer"})) {
    BindHtmlViewer(scope, name);
  } else if (Is(kind, {"TFlashFrame"})) {
    BindFlashFrame(scope, name);
  } else if (Is(kind, {"TAnimate"})) {
    scope.Set(name, "Active", "True");
  } else if (Is(kind, {"TFileListBox", "TPTShellList", "TDirectoryListBox", "TPTShellTree", "TDriveComboBox",
                       "TPTShellCombo"})) {
    BindFolderControl(scope, name, kind, nearestFolder);
  }
}

// TARGETDIR, or the nearest of its parents that exists: where folder controls with tag 1 start.
std::string NearestFolder(const DialogScope& scope) {
  std::string target = ResolveVariableOrMarker(scope.session.variables, "TARGETDIR");
  if (target == "$VELDNX$") target.clear();
  return NearestExistingFolder(scope.session.platform.files, NormalizePathNoExpand(target));
}

std::vector<platform::ComponentInfo> BindableComponents(const DialogScope& scope) {
  std::vector<platform::ComponentInfo> components;
  for (platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form))
    if (!EqualsIgnoreCase(info.name, platform::kFormDesignerName)) components.push_back(std::move(info));
  return components;
}

}  // namespace

void BindDialog(const DialogScope& scope) {
  const std::string nearestFolder = NearestFolder(scope);
  const std::vector<platform::ComponentInfo> components = BindableComponents(scope);
  {
    BindingGuard binding(scope.state);
    scope.dialog.readToEndMemo.clear();
    scope.dialog.readToEndRichEdit.clear();
    scope.dialog.wired.clear();
    scope.dialog.bound = true;
    for (const platform::ComponentInfo& info : components) {
      const bool bound = !scope.BoundName(info.name).empty();
      scope.dialog.wired[ToUpperAscii(info.name)] = EventsOfClass(info.className, scope.Tag(info.name), bound);
      BindComponent(scope, info, nearestFolder);
    }
    BindWindow(scope);
    RefreshInfoTexts(scope);
    EvaluateDialogRules(scope.toolkit, scope.dialog.form, scope.dialog.name, scope.dialog.rules);
  }
  // The initial selections reach the variables.
  for (const platform::ComponentInfo& info : components) {
    if (Is(info.className, {"TTreeView"})) TreeView1Change(scope, info.name);
    if (!Is(info.className, {"TCheckListBox"})) continue;
    CheckListBox1Click(scope, info.name);
    if (scope.Tag(info.name) == 1 || !scope.BoundName(info.name).empty()) CheckListBox1ClickCheck(scope, info.name);
  }
}

void UnbindDialog(const DialogScope& scope) {
  BindingGuard binding(scope.state);
  scope.dialog.bound = false;
  scope.dialog.wired.clear();
  for (const platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form))
    if (Is(info.className, {"TTreeView"})) scope.Set(info.name, "ReadOnly", "True");
  scope.dialog.readToEndMemo.clear();
  scope.dialog.readToEndRichEdit.clear();
  RefreshInfoTexts(scope);
  EvaluateDialogRules(scope.toolkit, scope.dialog.form, scope.dialog.name, scope.dialog.rules);
}

}  // namespace quarrix::ui

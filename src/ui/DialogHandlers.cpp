#include "ui/DialogHandlers.h"

#include <functional>

#include "common/IntegerSyntax.h"
#include "common/WindowsPath.h"
#include "engine/ComponentTable.h"
#include "engine/ProgressModeScope.h"
#include "engine/VariableManager.h"
#include "engine/WizardCaption.h"
#include "ui/DialogPaths.h"
#include "ui/DialogRules.h"
#include "ui/InfoTexts.h"

namespace quarrix::ui {
namespace {

using platform::EventKind;

constexpr int kSlotConfirmCancel = 40;
constexpr uint32_t kConfirmStyle = 0x4 | 0x20 | 0x100;  // MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2
constexpr int kIdYes = 6;
constexpr const char* kNewline = "$NEWLINE$";

bool Is(const std::string& className, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (EqualsIgnoreCase(className, name)) return true;
  return false;
}

bool Checked(const DialogScope& scope, const std::string& component) {
  return EqualsIgnoreCase(scope.Get(component, "Checked"), "True");
}

void Rules(const DialogScope& scope) {
  EvaluateDialogRules(scope.toolkit, scope.dialog.form, scope.dialog.name, scope.dialog.rules);
}

// The common shape of a value handler: nothing while binding, then the write, the follow-up
// and the rules.
void ValueHandler(const DialogScope& scope, const std::string& component, const std::string& value,
                  const char* handler, const std::function<void()>& followUp = {}) {
  if (scope.state.bindingInProgress) return;
  scope.Write(component, value, handler);
  if (followUp) followUp();
  Rules(scope);
}

std::string JoinedItems(const std::vector<std::string>& items, const std::vector<bool>& marks) {
  std::string joined;
  bool first = true;
  for (size_t i = 0; i < items.size() && i < marks.size(); ++i) {
    if (!marks[i]) continue;
    joined += (first ? "" : kNewline) + items[i];
    first = false;
  }
  return joined;
}

// The tab order of a control that takes the focus after a full edit, among the controls placed
// on the dialog itself.
void AdvanceFocus(const DialogScope& scope, const std::string& component) {
  const std::optional<int32_t> order = ParseScriptInteger(scope.Get(component, "TabOrder"));
  if (!order) return;
  for (const platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form)) {
    if (!info.parent.empty() || ParseScriptInteger(scope.Get(info.name, "TabOrder")) != *order + 1) continue;
    scope.toolkit.Focus(scope.dialog.form, info.name);  // a control that takes no focus is passed over
  }
}

void FollowPaths(const DialogScope& scope, const std::string& component, const std::string& folder) {
  ResyncPathControls(scope);
  if (scope.Tag(component) == 1) ApplyDestinationFolder(scope, folder);
}

void FolderHandler(const DialogScope& scope, const std::string& component, const std::string& value,
                   const std::string& destination, const char* handler) {
  ValueHandler(scope, component, value, handler, [&] { FollowPaths(scope, component, destination); });
}

void AskToCancel(const DialogScope& scope, const std::string& component) {
  Session& session = scope.session;
  ProgressModeScope paused(session, false);
  const int answer = session.platform.ui.ShowStyledMessage(session.messages.Text(kSlotConfirmCancel),
                                                           WizardCaption(session.captionTitle, session.logoFree),
                                                           kConfirmStyle, /*ownedByWindow=*/true, false);
  if (answer != kIdYes) return;
  session.variables.SetVariable("VELD_IsCancelled", "TRUE", "ShowDesign");
  scope.Set(component, "Enabled", "False");
  scope.dialog.resultCode = platform::kDialogCancelled;
}

std::optional<std::string> BrowseWhilePaused(Session& session) {
  ProgressModeScope paused(session, false);
  return session.platform.ui.BrowseForFolder("", true);
}

void ClickHandler(const DialogScope& scope, const std::string& component) {
  scope.dialog.resultCode = kResultUndecided;
  if (scope.state.bindingInProgress) return;
  Session& session = scope.session;
  switch (scope.Tag(component)) {
    case kTagNext: scope.dialog.resultCode = platform::kDialogNext; break;
    case kTagBack: scope.dialog.resultCode = platform::kDialogBack; break;
    case kTagCustomResult:
      scope.dialog.resultCode = platform::kDialogCustom;
      scope.dialog.customText = component;
      break;
    case kTagCancel: AskToCancel(scope, component); break;
    case kTagBrowseDestination:
      if (auto folder = BrowseWhilePaused(session)) ApplyDestinationFolder(scope, *folder);
      break;
    case kTagBrowseFolder:
      if (auto folder = BrowseWhilePaused(session); folder && !folder->empty())
        SetCustomDirectoryEditText(scope, *folder, component);
      break;
    default: break;
  }
  Rules(scope);
}

void RadioButton1Click(const DialogScope& scope) {
  if (scope.state.bindingInProgress) return;
  for (const platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form))
    if (Is(info.className, {"TRzRadioButton"}) && !scope.Hint(info.name).empty())
      scope.Write(info.name, BoolText(Checked(scope, info.name)), "RadioButton1Click");
  Rules(scope);
}

// The texts from the root-most ancestor down to the node, "\"-separated.
std::string NodePath(platform::TreeView& tree, platform::TreeNodeId node) {
  std::vector<std::string> texts;
  std::function<bool(platform::TreeNodeId)> walk;
  std::vector<platform::TreeNodeId> trail;
  walk = [&](platform::TreeNodeId at) {
    trail.push_back(at);
    if (at == node) return true;
    for (platform::TreeNodeId child : tree.Children(at))
      if (walk(child)) return true;
    trail.pop_back();
    return false;
  };
  for (platform::TreeNodeId top : tree.AllNodes()) {
    if (walk(top)) break;
  }
  std::string path;
  for (size_t i = 0; i < trail.size(); ++i) path += (i ? "\\" : "") + tree.Text(trail[i]);
  return path;
}

}  // namespace

WiredEvents EventsOfClass(const std::string& kind, int tag, bool bound) {
  if (Is(kind, {"TLabel", "TButton", "TBitBtn", "TSpeedButton", "TRzBmpButton", "TImage", "TRzCheckBox",
                "TRzRadioButton", "TListBox"}))
    return Wire(EventKind::Click);
  if (Is(kind, {"TShape"})) return Wire(EventKind::MouseUp);
  if (Is(kind, {"TEdit", "TTrackBar", "TFileListBox", "TDirectoryListBox", "TDriveComboBox", "TPTShellTree",
                "TPTShellCombo"}))
    return Wire(EventKind::Change);
  if (Is(kind, {"TMaskEdit"})) return Wire(EventKind::Change) | Wire(EventKind::KeyUp);
  if (Is(kind, {"TMemo", "TRichEdit"})) return bound ? Wire(EventKind::Change) : 0;
  if (Is(kind, {"TCheckListBox"}))
    return Wire(EventKind::Click) | (tag == 1 || bound ? Wire(EventKind::ClickCheck) : 0);
  if (Is(kind, {"TComboBox"})) return Wire(EventKind::Change) | (bound ? Wire(EventKind::Click) : 0);
  if (Is(kind, {"TTreeView"}))
    return Wire(EventKind::Change) | (tag == 1 ? Wire(EventKind::MouseUp) | Wire(EventKind::KeyUp) : 0);
  if (Is(kind, {"TPTShellList"})) return Wire(EventKind::Change) | Wire(EventKind::FolderChanged);
  if (Is(kind, {"THTMLViewer"})) return Wire(EventKind::HotSpot) | Wire(EventKind::MetaRefresh);
  return 0;
}

void Edit1Change(const DialogScope& scope, const std::string& component) {
  const std::string text = scope.Get(component, "Text");
  ValueHandler(scope, component, text, "Edit1Change", [&] {
    RefreshInfoTexts(scope);
    ResyncPathControls(scope);
    const std::optional<int32_t> maxLength = ParseScriptInteger(scope.Get(component, "MaxLength"));
    if (maxLength && *maxLength != 0 && text.size() == static_cast<size_t>(*maxLength)) AdvanceFocus(scope, component);
  });
}

void TreeView1Change(const DialogScope& scope, const std::string& component) {
  platform::TreeView* tree = scope.toolkit.TreeOf(scope.dialog.form, component);
  const std::optional<int32_t> node = ParseScriptInteger(scope.Get(component, "Selected"));
  if (tree == nullptr || !node || *node == platform::kNoTreeNode) return;
  ValueHandler(scope, component, tree->Text(*node), "TreeView1Change", [&] {
    if (scope.Tag(component) != 1) return;
    scope.dialog.selectedComponent = NodePath(*tree, *node);
    RefreshInfoTexts(scope);
  });
}

void CheckListBox1Click(const DialogScope& scope, const std::string& component) {
  if (scope.state.bindingInProgress) return;
  const std::optional<int32_t> index = ParseScriptInteger(scope.Get(component, "ItemIndex"));
  const std::vector<std::string> items = scope.toolkit.Items(scope.dialog.form, component);
  if (!index || *index < 0 || static_cast<size_t>(*index) >= items.size()) return;
  if (scope.Tag(component) == 1) {
    scope.dialog.selectedComponent = items[static_cast<size_t>(*index)];
    RefreshInfoTexts(scope);
  }
  Rules(scope);
}

void CheckListBox1ClickCheck(const DialogScope& scope, const std::string& component) {
  platform::CheckList* list = scope.toolkit.CheckListOf(scope.dialog.form, component);
  if (list == nullptr) return;
  if (scope.Tag(component) == 1) {
    // The component list is read back even while binding: binding itself ends with this.
    ReadComponentList(scope.session.run.components, *list);
    RefreshInfoTexts(scope);
    Rules(scope);
    return;
  }
  std::vector<std::string> items;
  std::vector<bool> checked;
  for (size_t i = 0; i < list->Count(); ++i) {
    items.push_back(list->ItemText(i));
    checked.push_back(list->Checked(i));
  }
  ValueHandler(scope, component, JoinedItems(items, checked), "CheckListBox1ClickCheck");
}

void HandleControlEvent(const DialogScope& scope, const platform::ToolkitEvent& event, const std::string& kind) {
  const std::string& name = event.component;
  const platform::FormId form = scope.dialog.form;
  platform::FileSystem& files = scope.session.platform.files;
  switch (event.kind) {
    case EventKind::Click:
      if (Is(kind, {"TRzCheckBox"})) return ValueHandler(scope, name, BoolText(Checked(scope, name)), "CheckBox1Click");
      if (Is(kind, {"TRzRadioButton"})) return RadioButton1Click(scope);
      if (Is(kind, {"TListBox"}))
        return ValueHandler(scope, name, JoinedItems(scope.toolkit.Items(form, name), scope.toolkit.Selection(form, name)),
                            "ListBox1Click");
      if (Is(kind, {"TCheckListBox"})) return CheckListBox1Click(scope, name);
      if (Is(kind, {"TComboBox"})) return ValueHandler(scope, name, scope.Get(name, "Text"), "ComboBox1Click");
      return ClickHandler(scope, name);
    case EventKind::MouseUp:
      if (Is(kind, {"TShape"})) return ClickHandler(scope, name);
      return Rules(scope);
    case EventKind::ClickCheck: return CheckListBox1ClickCheck(scope, name);
    case EventKind::KeyUp:
      if (Is(kind, {"TMaskEdit"})) {
        if (!scope.state.bindingInProgress && scope.Get(name, "SelLength") == "0") AdvanceFocus(scope, name);
        return;
      }
      return Rules(scope);
    case EventKind::FolderChanged: {
      const std::string folder = scope.Get(name, "Directory");
      if (!folder.empty()) FolderHandler(scope, name, folder, folder, "PTShellList1FolderChanged");
      return;
    }
    case EventKind::Change: break;
    default: return;
  }
  if (Is(kind, {"TEdit"})) return Edit1Change(scope, name);
  if (Is(kind, {"TMaskEdit"}))
    return ValueHandler(scope, name, scope.Get(name, "Text"), "MaskEdit1Change", [&] {
      RefreshInfoTexts(scope);
      ResyncPathControls(scope);
    });
  if (Is(kind, {"TMemo", "TRichEdit"})) {
    const char* handler = Is(kind, {"TMemo"}) ? "Memo1Change" : "RichEdit1Change";
    return ValueHandler(scope, name, CrLfToNewline(scope.Get(name, "Text")), handler, [&] { RefreshInfoTexts(scope); });
  }
  if (Is(kind, {"TComboBox"})) return ValueHandler(scope, name, scope.Get(name, "Text"), "ComboBox1Change");
  if (Is(kind, {"TTrackBar"})) return ValueHandler(scope, name, scope.Get(name, "Position"), "TrackBar1Change");
  if (Is(kind, {"TTreeView"})) return TreeView1Change(scope, name);
  if (Is(kind, {"TFileListBox"})) {
    const std::string file = scope.Get(name, "FileName");
    return FolderHandler(scope, name, file, FolderWithoutTrailingBackslash(file), "FileListBox1Change");
  }
  if (Is(kind, {"TDirectoryListBox", "TPTShellTree", "TPTShellCombo"})) {
    const std::string folder = scope.Get(name, "Directory");
    const char* handler = Is(kind, {"TDirectoryListBox"}) ? "DirectoryListBox1Change"
                          : Is(kind, {"TPTShellTree"})    ? "PTShellTree1Change"
                                                          : "PTShellCombo1Change";
    return FolderHandler(scope, name, folder, folder, handler);
  }
  if (Is(kind, {"TDriveComboBox"})) {
    const std::string drive = scope.Get(name, "Drive").substr(0, 1) + ":\\";
    return FolderHandler(scope, name, drive, drive, "DriveComboBox1Change");
  }
  if (Is(kind, {"TPTShellList"})) {
    const std::string path = scope.Get(name, "FileName");
    if (path.empty() || files.DirectoryExists(path)) return;
    return FolderHandler(scope, name, path, path, "PTShellList1Change");
  }
}

}  // namespace quarrix::ui

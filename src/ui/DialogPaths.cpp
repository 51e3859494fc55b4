#include "ui/DialogPaths.h"

#include "common/WindowsPath.h"
#include "engine/VariableManager.h"
#include "ui/DialogHandlers.h"
#include "ui/DialogRules.h"
#include "ui/InfoTexts.h"

namespace quarrix::ui {
namespace {

std::string ParentOf(const std::string& path) {
  return WithTrailingBackslash(FolderWithoutTrailingBackslash(WithoutTrailingBackslash(path)));
}

bool IsClass(const std::string& className, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (EqualsIgnoreCase(className, name)) return true;
  return false;
}

bool DriveRootExists(platform::FileSystem& files, const std::string& value) {
  return !value.empty() && files.DirectoryExists(std::string(1, value[0]) + ":\\");
}

}  // namespace

std::string NearestExistingFolder(platform::FileSystem& files, const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && !files.DirectoryExists(folder)) {
    const std::string parent = FolderWithoutTrailingBackslash(WithoutTrailingBackslash(folder));
    if (parent == folder) break;
    folder = parent;
  }
  return folder;
}

std::string DestinationTail(platform::FileSystem& files, const std::string& destination) {
  if (destination.empty()) return {};
  std::string ancestor = destination;
  while (!files.DirectoryExists(ancestor)) {
    const std::string parent = ParentOf(ancestor);
    if (parent == ancestor) break;
    ancestor = parent;
  }
  if (ancestor.empty() || !files.DirectoryExists(ancestor)) return {};
  const size_t length = WithTrailingBackslash(ancestor).size();
  return length >= destination.size() ? std::string() : destination.substr(length);
}

std::string BrowsedDestination(const std::string& destinationAtShow, const std::string& tail,
                               const std::string& folder) {
  if (folder.empty()) return {};
  const std::string text = destinationAtShow.empty() ? folder : destinationAtShow;
  if (StartsWith(ToLowerAscii(text), ToLowerAscii(folder))) return text;
  return WithTrailingBackslash(folder) + tail;
}

void ResyncPathControls(const DialogScope& scope) {
  BindingGuard binding(scope.state);
  platform::FileSystem& files = scope.session.platform.files;
  for (const platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form)) {
    if (scope.Tag(info.name) != 100) continue;
    try {
      const std::string value =
          NormalizePath(scope.session.variables, scope.session.variables.GetVariable(scope.BoundName(info.name)));
      const std::string& kind = info.className;
      if (IsClass(kind, {"TEdit", "TMaskEdit"})) {
        scope.Set(info.name, "Text", value);
      } else if (IsClass(kind, {"TFileListBox"})) {
        if (files.FileExists(value))
          scope.Set(info.name, "Directory", FolderWithoutTrailingBackslash(value));
        else if (files.DirectoryExists(value))
          scope.Set(info.name, "Directory", value);
      } else if (IsClass(kind, {"TDirectoryListBox", "TPTShellTree", "TPTShellList", "TPTShellCombo"})) {
        if (files.DirectoryExists(value)) scope.Set(info.name, "Directory", value);
      } else if (IsClass(kind, {"TDriveComboBox"})) {
        if (DriveRootExists(files, value)) scope.Set(info.name, "Drive", value.substr(0, 1));
      }
    } catch (const std::exception&) {
      // A control that cannot show the path keeps what it shows.
    }
  }
}

void ApplyDestinationFolder(const DialogScope& scope, const std::string& folder) {
  const std::string text = BrowsedDestination(scope.state.destinationAtShow, scope.state.destinationTail, folder);
  for (const platform::ComponentInfo& info : scope.toolkit.Components(scope.dialog.form)) {
    if (!EqualsIgnoreCase(info.className, "TEdit") || scope.Tag(info.name) != 2) continue;
    scope.Set(info.name, "Text", text);
    Edit1Change(scope, info.name);
  }
  RefreshInfoTexts(scope);
  EvaluateDialogRules(scope.toolkit, scope.dialog.form, scope.dialog.name, scope.dialog.rules);
}

void SetCustomDirectoryEditText(const DialogScope& scope, const std::string& folder, const std::string& variable) {
  scope.WriteVariable(variable, WithTrailingBackslash(folder), "SetCustomDirectoryEditText");
  RefreshInfoTexts(scope);
  ResyncPathControls(scope);
  EvaluateDialogRules(scope.toolkit, scope.dialog.form, scope.dialog.name, scope.dialog.rules);
}

void BindFolderControl(const DialogScope& scope, const std::string& component, const std::string& kind,
                       const std::string& nearestFolder) {
  platform::FileSystem& files = scope.session.platform.files;
  const std::optional<std::string> value = scope.BoundValue(component);
  const bool nearest = scope.Tag(component) == 1;
  if (IsClass(kind, {"TFileListBox", "TPTShellList"})) {
    if (value) {
      const std::string folder = files.DirectoryExists(*value) ? *value : FolderWithoutTrailingBackslash(*value);
      if (files.DirectoryExists(folder)) scope.Set(component, "Directory", folder);
    }
    if (nearest && files.DirectoryExists(nearestFolder)) scope.Set(component, "Directory", nearestFolder);
  } else if (IsClass(kind, {"TDirectoryListBox", "TPTShellTree"})) {
    if (value && files.DirectoryExists(*value)) scope.Set(component, "Directory", *value);
    if (nearest) {
      const std::string parent = FolderWithoutTrailingBackslash(WithoutTrailingBackslash(nearestFolder));
      if (files.DirectoryExists(nearestFolder))
        scope.Set(component, "Directory", nearestFolder);
      else if (files.DirectoryExists(parent))
        scope.Set(component, "Directory", parent);
    }
  } else if (IsClass(kind, {"TDriveComboBox", "TPTShellCombo"})) {
    if (value && DriveRootExists(files, *value)) scope.Set(component, "Drive", value->substr(0, 1));
    if (nearest && DriveRootExists(files, nearestFolder)) scope.Set(component, "Drive", nearestFolder.substr(0, 1));
  }
}

}  // namespace quarrix::ui

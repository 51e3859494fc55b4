#include "ui/DialogEngine.h"

#include <set>
#include <stdexcept>

#include "common/WindowsPath.h"
#include "engine/VariableManager.h"
#include "platform/ControlClasses.h"
#include "platform/Threads.h"
#include "ui/DialogBinding.h"
#include "ui/DialogHandlers.h"
#include "ui/DialogPaths.h"
#include "ui/DialogRules.h"
#include "ui/ProgressDisplay.h"

namespace quarrix::ui {
namespace {

constexpr const char* kReadToEndLength = "2147483647";
// The toolkit timer, on no form, that ends a balloon tip's paused progress mode.
constexpr int kBalloonTimerId = 7;
constexpr const char* kProgressModeContext = "SetProgressMode";

// Back to the folder it was in when this ends, when that folder still exists.
class CurrentDirectoryScope {
 public:
  CurrentDirectoryScope(platform::FileSystem& files, const std::string& folder)
      : files_(files), saved_(files.CurrentDirectory()) {
    if (!folder.empty()) files_.ChangeCurrentDirectory(folder);
  }
  ~CurrentDirectoryScope() {
    if (!saved_.empty() && files_.DirectoryExists(saved_)) files_.ChangeCurrentDirectory(saved_);
  }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

 private:
  platform::FileSystem& files_;
  std::string saved_;
};

StringList RulesOf(platform::FileSystem& files, const std::string& path) {
  StringList rules;
  const std::optional<std::string> text = files.ReadFile(path);
  if (!text) return rules;
  size_t start = 0;
  while (start < text->size()) {
    size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    rules.push_back(std::move(line));
    start = end + 1;
  }
  return rules;
}

[[noreturn]] void FailDialogFile(const std::string& fileName, int line, const std::string& problem) {
  throw std::runtime_error(fileName + " line " + std::to_string(line) + ": " + problem);
}

bool IsLinesProperty(const std::string& name) {
  return EqualsIgnoreCase(name, "Items.Strings") || EqualsIgnoreCase(name, "Lines.Strings");
}

void CheckProperties(const platform::FormObject& object, const std::string& fileName) {
  for (const platform::FormProperty& property : object.properties)
    if (IsLinesProperty(property.name) && property.value.kind != platform::FormValue::Kind::List)
      FailDialogFile(fileName, property.line, property.name + " of " + object.name + " must be a list of strings");
}

void CheckComponents(const platform::FormObject& object, const std::string& fileName, std::set<std::string>& names) {
  for (const platform::FormObject& child : object.children) {
    if (!platform::IsControlClass(child.className))
      FailDialogFile(fileName, child.line, "unknown control class " + child.className + " of " + child.name);
    if (!names.insert(ToUpperAscii(child.name)).second)
      FailDialogFile(fileName, child.line, "a component named " + child.name + " already exists");
    CheckProperties(child, fileName);
    CheckComponents(child, fileName, names);
  }
}

// What in a dialog file would keep its window from being built, checked on the description
// alone: windows are built only when a dialog is first displayed (never in a silent run), yet a
// broken file must stop start-up in every run.
void CheckDialogFile(const platform::FormObject& window, const std::string& fileName) {
  CheckProperties(window, fileName);
  std::set<std::string> names;
  CheckComponents(window, fileName, names);
}

}  // namespace

DialogEngine::DialogEngine(Session& session, FormReader reader)
    : session_(session), toolkit_(session.platform.toolkit), reader_(std::move(reader)) {
  toolkit_.SetEventSink([this](platform::ToolkitEvent& event) { OnEvent(event); });
}

DialogEngine::~DialogEngine() {
  Shutdown();
  toolkit_.SetEventSink(nullptr);
  if (session_.dialogs == this) session_.dialogs = nullptr;
}

void DialogEngine::Start(const std::string& dialogFolder) {
  state_.dialogFolder = WithTrailingBackslashUnlessEmpty(dialogFolder);
  firstDialog_ = true;
  registry_.clear();
  currentKey_.clear();
  session_.variables.SetVariable("VELD_IsCancelled", "FALSE", "ShowDesign");
}

void DialogEngine::LoadDialog(const std::string& key, const std::string& path) {
  platform::FileSystem& files = session_.platform.files;
  CurrentDirectoryScope directory(files, FolderUpToBackslash(path));
  const std::string fileName = FileNameAfterBackslash(path);
  const std::optional<std::string> text = files.ReadFile(path);
  if (!text) throw std::runtime_error("Cannot open file \"" + path + "\". The system cannot find the file specified");
  platform::FormObject form = reader_(*text, fileName);
  CheckDialogFile(form, fileName);
  PoolTemplate* entry = Find(key);
  if (entry != nullptr) {
    if (shown_ == entry) shown_ = nullptr;
    if (entry->form != platform::kNoForm) {
      toolkit_.Hide(entry->form);
      toolkit_.DestroyForm(entry->form);
      toolkit_.ProcessPendingMessages();
    }
    *entry = PoolTemplate{};
  } else {
    entry = registry_.emplace_back(std::make_unique<PoolTemplate>()).get();
  }
  entry->key = ToUpperAscii(key);
  entry->name = fileName;
  entry->description = std::move(form);
  entry->rules = RulesOf(files, path + ".zvkf");
  // The window is built when the dialog is first displayed: the first page of a wizard with
  // many comes up without waiting for the others, and a silent run, which may run where no
  // desktop is, builds none at all.
}

void DialogEngine::EnsureWindow(PoolTemplate& dialog) {
  if (dialog.form != platform::kNoForm) return;
  try {
    dialog.form = toolkit_.CreateForm(dialog.description);
  } catch (const platform::FormError& error) {
    throw std::runtime_error(dialog.name + " line " + std::to_string(error.line) + ": " + error.what());
  }
  for (const platform::ComponentInfo& info : toolkit_.Components(dialog.form))
    dialog.classes[ToUpperAscii(info.name)] = info.className;
  toolkit_.StartTimer(dialog.form, kDialogTimerId, kDialogTimerMs);
}

PoolTemplate* DialogEngine::Find(const std::string& key) {
  const std::string folded = ToUpperAscii(key);
  for (auto& entry : registry_)
    if (entry->key == folded) return entry.get();
  return nullptr;
}

bool DialogEngine::HasDialog(const std::string& key) const {
  const std::string folded = ToUpperAscii(key);
  for (const auto& entry : registry_)
    if (entry->key == folded) return true;
  return false;
}

PoolTemplate* DialogEngine::DialogOfForm(platform::FormId form) {
  if (form == platform::kNoForm) return nullptr;
  for (auto& entry : registry_)
    if (entry->form == form) return entry.get();
  return nullptr;
}

platform::DialogOutcome DialogEngine::Display(const std::string& key, bool modal) {
  if (Find(key) == nullptr) throw std::runtime_error("No dialog was loaded for line " + key);
  if (!pendingUnbindKey_.empty()) {
    UnbindDialog(pendingUnbindKey_);
    pendingUnbindKey_.clear();
  }
  lastDisplayedKey_ = key;
  RefreshDialog(key);
  std::string custom;
  uint64_t handle = 0;
  const int result = ShowDialog(key, custom, modal, handle);
  if (modal) {
    pendingUnbindKey_ = key;
    return platform::DialogOutcome{result, custom, 0};
  }
  return platform::DialogOutcome{platform::kDialogNotModal, "", handle};
}

void DialogEngine::RefreshDialog(const std::string& key) {
  if (session_.silent) return;
  PoolTemplate* dialog = Find(key);
  if (dialog == nullptr) return;
  EnsureWindow(*dialog);
  BindDialog(ScopeOf(*dialog));
}

void DialogEngine::UnbindDialog(const std::string& key) {
  PoolTemplate* dialog = Find(key);
  if (dialog != nullptr && dialog->form != platform::kNoForm) ui::UnbindDialog(ScopeOf(*dialog));
}

int DialogEngine::ShowDialog(const std::string& key, std::string& custom, bool modal, uint64_t& handle) {
  custom.clear();
  handle = 0;
  session_.variables.SetVariable("VELD_IsCancelled", "FALSE", "ShowDesign");
  CurrentDirectoryScope directory(session_.platform.files, state_.dialogFolder);
  currentKey_ = key;
  if (session_.silent) return platform::kDialogNext;
  PoolTemplate* dialog = Find(key);
  if (dialog == nullptr) return platform::kDialogNext;
  EnsureWindow(*dialog);
  Position(*dialog);
  session_.variables.SetVariable("VELD_IsCancelled", "FALSE", "ShowDesign");
  dialog->modal = modal;
  int result = platform::kDialogNotModal;
  if (modal) {
    dialog->resultCode = kResultUndecided;
    MakeShown(*dialog);
    while (dialog->resultCode == kResultUndecided) toolkit_.ProcessOneMessage(platform::kWaitForever);
    result = dialog->resultCode;
    if (result == platform::kDialogCustom) custom = dialog->customText;
    currentKey_.clear();
  } else {
    MakeShown(*dialog);
    handle = toolkit_.NativeHandle(dialog->form);
  }
  const platform::Bounds bounds = toolkit_.BoundsOf(dialog->form);
  last_.left = bounds.left;
  last_.top = bounds.top;
  return result;
}

// The first dialog, and one of another size, is centred; one of the same size takes the place
// of the one before, so a wizard's pages do not jump about.
void DialogEngine::Position(PoolTemplate& dialog) {
  const platform::Bounds bounds = toolkit_.BoundsOf(dialog.form);
  if (firstDialog_ || bounds.width != last_.width || bounds.height != last_.height) {
    toolkit_.CenterOnScreen(dialog.form);
    last_.width = bounds.width;
    last_.height = bounds.height;
    firstDialog_ = false;
  } else {
    toolkit_.MoveTo(dialog.form, last_.left, last_.top);
  }
}

// The new dialog is on the screen before the old one goes.
void DialogEngine::MakeShown(PoolTemplate& dialog) {
  dialog.hiddenByEngine = false;
  Present(dialog);
  PoolTemplate* previous = shown_;
  if (previous != nullptr && previous != &dialog) {
    previous->hiddenByEngine = true;
    toolkit_.Hide(previous->form);
    toolkit_.ProcessPendingMessages();
  }
  shown_ = &dialog;
}

void DialogEngine::Present(PoolTemplate& dialog) {
  OnFormShow(dialog);
  if (hiddenToTray_) {
    pending_ = &dialog;
    return;
  }
  toolkit_.Show(dialog.form);
  toolkit_.Focus(dialog.form, "");
  toolkit_.SetOwnerForm(dialog.form);
  TaskbarAvailable();  // known before a worker's box asks
  toolkit_.ProcessPendingMessages();
}

void DialogEngine::OnFormShow(PoolTemplate&) {
  const std::optional<std::string> target = session_.variables.LookupVariable("TARGETDIR");
  state_.destinationAtShow = target ? NormalizePath(session_.variables, *target) : std::string();
  state_.destinationTail = DestinationTail(session_.platform.files, state_.destinationAtShow);
}

void DialogEngine::HideWindow(PoolTemplate& dialog) {
  dialog.hiddenByEngine = true;
  if (dialog.form == platform::kNoForm) return;
  toolkit_.Hide(dialog.form);
  toolkit_.ProcessPendingMessages();
  if (shown_ == &dialog) {
    shown_ = nullptr;
    toolkit_.SetOwnerForm(platform::kNoForm);
  }
  if (pending_ == &dialog) pending_ = nullptr;
  const platform::Bounds bounds = toolkit_.BoundsOf(dialog.form);
  last_.left = bounds.left;
  last_.top = bounds.top;
}

void DialogEngine::HideDialogs(const std::string& key) {
  PoolTemplate* current = currentKey_.empty() ? nullptr : Find(currentKey_);
  PoolTemplate* named = Find(key);
  if (current != nullptr) HideWindow(*current);
  if (named != nullptr && named != current) HideWindow(*named);
  currentKey_.clear();
}

void DialogEngine::HideDialog() {
  HideDialogs("temp");
  pendingUnbindKey_ = lastDisplayedKey_;
}

void DialogEngine::ShowProgress(const std::string& text, int64_t position) {
  if (shown_ == nullptr) return;
  DialogScope scope = ScopeOf(*shown_);
  UpdateProgressDisplay(scope, text, false, 0, 100, position);
}

void DialogEngine::Shutdown() {
  for (auto& entry : registry_)
    if (entry->form != platform::kNoForm) toolkit_.DestroyForm(entry->form);
  registry_.clear();
  shown_ = nullptr;
  pending_ = nullptr;
  currentKey_.clear();
  pendingUnbindKey_.clear();
  lastDisplayedKey_.clear();
  state_.designTexts.Clear();
  toolkit_.StopTimer(platform::kNoForm, kBalloonTimerId);
  hiddenToTray_ = false;
  std::lock_guard lock(progressModeLock_);
  progressModeSwitched_ = false;
}

void DialogEngine::RestoreFromTray() {
  if (hiddenToTray_) {
    hiddenToTray_ = false;
    ShowPendingDialog();
  }
  if (shown_ != nullptr) toolkit_.Restore(shown_->form);
}

void DialogEngine::ShowPendingDialog() {
  PoolTemplate* pending = pending_;
  if (pending == nullptr) return;
  pending_ = nullptr;
  toolkit_.Show(pending->form);
  toolkit_.Focus(pending->form, "");
  toolkit_.SetOwnerForm(pending->form);
  toolkit_.ProcessPendingMessages();
}

void DialogEngine::HideToTray() {
  if (shown_ != nullptr) toolkit_.Hide(shown_->form);
  hiddenToTray_ = true;
}

bool DialogEngine::TaskbarAvailable() {
  if (std::this_thread::get_id() == mainThread_) taskbarAvailable_ = toolkit_.HasTaskbarProgress();
  return taskbarAvailable_;
}

void DialogEngine::SetProgressMode(bool on, bool error) {
  if (!TaskbarAvailable()) return;
  std::string mode;
  {
    std::lock_guard lock(progressModeLock_);
    TVariableManager& variables = session_.variables;
    if (on) {
      if (!progressModeSwitched_) savedProgressMode_ = variables.GetVariable("PROGRESSMODE");
      progressModeSwitched_ = true;
      mode = error ? "ERROR" : "PAUSE";
      variables.SetVariable("PROGRESSMODE", mode, kProgressModeContext);
    } else if (progressModeSwitched_) {
      // An "off" with nothing switched (a balloon's timer after a box restored the mode) keeps
      // what the script has set since.
      progressModeSwitched_ = false;
      mode = savedProgressMode_;
      variables.SetVariable("PROGRESSMODE", mode, kProgressModeContext);
    } else {
      mode = variables.GetVariable("PROGRESSMODE");
    }
  }
  // The toolkit belongs to the main thread: a worker's switch reaches the taskbar with the next
  // progress refresh, which reads PROGRESSMODE.
  if (std::this_thread::get_id() == mainThread_ && shown_ != nullptr)
    toolkit_.SetTaskbarState(shown_->form, TaskbarStateOf(mode));
}

void DialogEngine::RestoreProgressModeAfter(uint32_t milliseconds) {
  toolkit_.StartTimer(platform::kNoForm, kBalloonTimerId, milliseconds);
}

void DialogEngine::SetTaskbarOverlay(bool on) {
  if (shown_ == nullptr || !TaskbarAvailable()) return;
  toolkit_.SetTaskbarOverlay(shown_->form, on, on ? session_.variables.GetVariable("TITLE") : std::string());
}

void DialogEngine::OnEvent(platform::ToolkitEvent& event) {
  if (event.kind == platform::EventKind::TrayClick) return RestoreFromTray();
  if (event.kind == platform::EventKind::Timer && event.form == platform::kNoForm && event.timerId == kBalloonTimerId) {
    toolkit_.StopTimer(platform::kNoForm, kBalloonTimerId);
    return SetProgressMode(false, false);
  }
  PoolTemplate* dialog = DialogOfForm(event.form);
  if (dialog == nullptr) return;
  if (event.component.empty()) return OnWindowEvent(*dialog, event);
  if (event.kind == platform::EventKind::Scroll) return OnScroll(*dialog, event.component);
  if (!dialog->bound || !dialog->Handles(event.component, event.kind)) return;
  HandleControlEvent(ScopeOf(*dialog), event, dialog->classes[ToUpperAscii(event.component)]);
}

void DialogEngine::OnWindowEvent(PoolTemplate& dialog, platform::ToolkitEvent& event) {
  switch (event.kind) {
    case platform::EventKind::Timer:
      if (event.timerId != kDialogTimerId) return;
      toolkit_.StopTimer(dialog.form, kDialogTimerId);
      if (session_.progressPolling && shown_ != nullptr) {
        DialogScope scope = ScopeOf(*shown_);
        UpdateProgressDisplay(scope, kProgressFromHandshake, true, 0, 0, 0);
      }
      toolkit_.StartTimer(dialog.form, kDialogTimerId, kDialogTimerMs);
      return;
    case platform::EventKind::CloseQuery:
      // Only the engine closes its dialogs; the user's attempt brings the setup to the front.
      event.handled = dialog.hiddenByEngine;
      if (event.handled) return;
      if (toolkit_.TrayIconShown())
        RestoreFromTray();
      else if (shown_ != nullptr)
        toolkit_.Restore(shown_->form);
      return;
    case platform::EventKind::Minimize:
      if (toolkit_.TrayIconShown() && shown_ != nullptr) {
        toolkit_.Hide(shown_->form);
        hiddenToTray_ = true;
      }
      return;
    default: return;
  }
}

// A read-only memo or rich edit counts as read once its last page was in view.
void DialogEngine::OnScroll(PoolTemplate& dialog, const std::string& component) {
  if (!dialog.bound) return;
  const bool watched = EqualsIgnoreCase(component, dialog.readToEndMemo) ||
                       EqualsIgnoreCase(component, dialog.readToEndRichEdit);
  if (!watched) return;
  if (toolkit_.GetProperty(dialog.form, component, "MaxLength") == kReadToEndLength) return;
  if (!toolkit_.ScrolledToEnd(dialog.form, component)) return;
  toolkit_.SetProperty(dialog.form, component, "MaxLength", kReadToEndLength);
  EvaluateDialogRules(toolkit_, dialog.form, dialog.name, dialog.rules);
}

}  // namespace quarrix::ui

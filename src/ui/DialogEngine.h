#pragma once
// The dialog engine: one hidden window per "Display Dialog" line, loaded from its dialog file at
// start-up, bound to the variables and shown when the line runs; the events of the shown dialog
// come back here and become variable writes and navigation results.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/DialogHost.h"
#include "engine/Session.h"
#include "platform/FormDescription.h"
#include "platform/Toolkit.h"
#include "ui/DialogScope.h"
#include "ui/PoolTemplate.h"

namespace quarrix::ui {

// Turns a dialog file's text into its form description; throws with "FILE line N: what".
using FormReader = std::function<platform::FormObject(std::string_view text, const std::string& fileName)>;

class DialogEngine : public DialogHost {
 public:
  DialogEngine(Session& session, FormReader reader);
  ~DialogEngine() override;
  DialogEngine(const DialogEngine&) = delete;
  DialogEngine& operator=(const DialogEngine&) = delete;

  // Before any dialog is loaded: the folder of the dialog files, with or without trailing
  // backslash; the registry starts empty.
  void Start(const std::string& dialogFolder);
  // The dialog of a "Display Dialog" line: its dialog file (and the rules file beside it), read
  // and checked now, its window built when it is first displayed. A file that cannot be read or
  // would not build throws, naming the file.
  void LoadDialog(const std::string& key, const std::string& path);

  platform::DialogOutcome Display(const std::string& key, bool modal) override;
  bool HasDialog(const std::string& key) const override;
  void HideDialog() override;
  void ShowProgress(const std::string& text, int64_t position) override;
  void Shutdown() override;
  void SetProgressMode(bool on, bool error) override;
  void RestoreProgressModeAfter(uint32_t milliseconds) override;
  void SetTaskbarOverlay(bool on) override;
  bool HasShownWindow() const override { return shown_ != nullptr; }
  void HideToTray() override;
  void RestoreShownWindow() override { RestoreFromTray(); }

  // The parts "Display Dialog" is made of.
  void RefreshDialog(const std::string& key);
  // Returns the result code of a modal dialog (custom holds the text of a custom result) or, for
  // one shown without waiting, kDialogNotModal with its window handle in handle.
  int ShowDialog(const std::string& key, std::string& custom, bool modal, uint64_t& handle);
  void UnbindDialog(const std::string& key);
  void HideDialogs(const std::string& key);

  PoolTemplate* Find(const std::string& key);
  const PoolTemplate* Shown() const { return shown_; }
  DialogEngineState& State() { return state_; }
  bool HiddenToTray() const { return hiddenToTray_; }

 private:
  DialogScope ScopeOf(PoolTemplate& dialog) { return DialogScope{session_, toolkit_, state_, dialog}; }
  PoolTemplate* DialogOfForm(platform::FormId form);
  void OnEvent(platform::ToolkitEvent& event);
  void OnWindowEvent(PoolTemplate& dialog, platform::ToolkitEvent& event);
  void OnScroll(PoolTemplate& dialog, const std::string& component);
  void OnFormShow(PoolTemplate& dialog);
  void MakeShown(PoolTemplate& dialog);
  void Present(PoolTemplate& dialog);
  void HideWindow(PoolTemplate& dialog);
  void Position(PoolTemplate& dialog);
  void RestoreFromTray();
  void ShowPendingDialog();
  // Asked of the toolkit on the main thread only; a worker reads the last answer.
  bool TaskbarAvailable();
  // Builds the dialog's window when it has none yet.
  void EnsureWindow(PoolTemplate& dialog);

  Session& session_;
  platform::Toolkit& toolkit_;
  FormReader reader_;
  DialogEngineState state_;
  std::vector<std::unique_ptr<PoolTemplate>> registry_;  // in load order
  std::string currentKey_;
  std::string lastDisplayedKey_;
  std::string pendingUnbindKey_;
  PoolTemplate* shown_ = nullptr;
  PoolTemplate* pending_ = nullptr;  // shown while the setup sits in the tray
  bool hiddenToTray_ = false;
  bool firstDialog_ = true;
  platform::Bounds last_;  // where and how big the last dialog shown was

  // The progress mode a box switched away from; the installer's boxes switch it from their thread.
  const std::thread::id mainThread_ = std::this_thread::get_id();
  std::mutex progressModeLock_;
  bool progressModeSwitched_ = false;
  std::string savedProgressMode_;
  std::atomic<bool> taskbarAvailable_ = false;
};

}  // namespace quarrix::ui

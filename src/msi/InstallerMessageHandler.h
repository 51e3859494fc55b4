#pragma once
// What the engine does with the messages Windows Installer sends its external user interface
// while a package runs: progress ticks become a position and a total for the progress page,
// errors and questions become message boxes (none in silent runs), and the user's cancel goes
// back to the installer as the answer to whatever message comes next.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Installer.h"
#include "platform/UserInterface.h"

namespace quarrix {

class MessageTable;
class TVariableManager;

// Message types: the top byte of the message code, as the installer interface names them.
using platform::kInstallMessageFatalExit;
using platform::kInstallMessageError;
using platform::kInstallMessageWarning;
using platform::kInstallMessageUser;
using platform::kInstallMessageInfo;
using platform::kInstallMessageFilesInUse;
using platform::kInstallMessageResolveSource;
using platform::kInstallMessageOutOfDiskSpace;
using platform::kInstallMessageActionStart;
using platform::kInstallMessageActionData;
using platform::kInstallMessageProgress;
using platform::kInstallMessageCommonData;
using platform::kInstallMessageInitialize;
using platform::kInstallMessageTerminate;
using platform::kInstallMessageShowDialog;
inline constexpr uint32_t kInstallMessageRmFilesInUse = 0x19000000;

// The message filter registered with the handler: everything above but files in use.
inline constexpr uint32_t kInstallerMessageFilter = 0x7FDF;

// Answers in the installer's convention.
inline constexpr int kMessageNotHandled = 0;
inline constexpr int kMessageHandled = 1;  // IDOK
inline constexpr int kMessageCancel = 2;   // IDCANCEL

// The headings of the boxes (message table slots 43, 44, 45, 47 and 48).
struct InstallerMessageTexts {
  std::string fatalError = "Fatal Error";
  std::string error = "Error";
  std::string warning = "Warning";
  std::string filesInUse = "Files in Use";
  std::string outOfDiskSpace = "Out of Disk Space";

  static InstallerMessageTexts From(const MessageTable& messages);
};

// The progress display's mode while a box is open over the running bar ("ERROR" or "PAUSE"),
// and back to what it was.
struct ProgressModeSwitch {
  std::function<void(std::string_view mode)> enter;
  std::function<void()> restore;
};

// Publishes (action text, position, total, minimum); false asks the installer to cancel.
using InstallerProgressReporter =
    std::function<bool(const std::string& actionText, int64_t position, int64_t total, int64_t minimum)>;

// The reporter the apply-changes thread registers: the four progress variables, each in its own
// store write, then true exactly while VELD_thCancelled is "FALSE".
bool ReportInstallerProgress(TVariableManager& variables, const std::string& actionText, int64_t position,
                             int64_t total, int64_t minimum);

// The four numbered fields of a progress message's text ("1: 2 2: 1000 3: 0 4: 1"); fields not
// written stay 0.
struct ProgressFields {
  int64_t field[4] = {0, 0, 0, 0};
};
ProgressFields ParseProgressFields(std::string_view text);

// The action text of an action-start message: what follows its first "." and one more
// character ("12:00:01: InstallFiles. Copying new files" gives "Copying new files").
std::string ActionStartText(std::string_view text);

// One handler lives for the process; only one installer call runs at a time, and the installer
// calls it on that call's thread, so its state needs no lock.
class InstallerMessageHandler {
 public:
  explicit InstallerMessageHandler(platform::UserInterface& ui) : ui_(ui) {}

  // Settings the apply-changes thread gives before each installer run.
  bool silent = false;
  std::string caption;          // of every box: the script's TITLE
  bool ownedByWindow = false;   // the boxes belong to the shown progress dialog
  InstallerMessageTexts texts;
  ProgressModeSwitch progressMode;

  // messageCode: type in the top byte, the box's MB_ style in the low 24 bits. When a reporter
  // is given it is called after every message, and its false turns the answer into a cancel.
  int Handle(uint32_t messageCode, std::string_view text, const InstallerProgressReporter* reporter);

  const std::string& ActionText() const { return actionText_; }
  int64_t Position() const { return position_; }
  int64_t Total() const { return total_; }
  int64_t Minimum() const { return minimum_; }
  int32_t Step() const { return step_; }
  int32_t Direction() const { return direction_; }
  // The text of the last fatal-exit or error message: the fallback error text of an apply.
  const std::string& LastMessage() const { return lastMessage_; }
  void ClearLastMessage() { lastMessage_.clear(); }

 private:
  int Box(const std::string* heading, std::string_view text, uint32_t flags, uint32_t icon, const char* mode,
          bool neutralLanguage);
  void ApplyProgress(std::string_view text);

  platform::UserInterface& ui_;
  std::string actionText_;
  int64_t position_ = 0;
  int64_t total_ = 0;
  int64_t minimum_ = 0;
  int32_t step_ = 0;
  int32_t direction_ = 1;
  std::string lastMessage_;
};

}  // namespace quarrix

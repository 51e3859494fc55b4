// Talking to the user outside the wizard's pages: a message box that returns the button pressed,
// a balloon tip at the tray icon, and hiding the setup to the tray and bringing it back.
#include <algorithm>
#include <cstdint>
#include <string>

#include "commands/CommandFamilies.h"
#include "common/IntegerSyntax.h"
#include "engine/DialogHost.h"
#include "engine/ProgressModeScope.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

constexpr uint32_t kErrorIconWithOkOnly = 0x10;

uint32_t IconStyle(int32_t icon) {
  switch (icon) {
    case 0: return 0x40;  // information
    case 1: return 0x20;  // question
    case 2: return 0x30;  // warning
    case 3: return 0x10;  // error
    default: return 0;
  }
}

uint32_t ButtonStyle(int32_t buttons) {
  switch (buttons) {
    case 0: return 2;  // abort, retry, ignore
    case 2: return 1;  // OK, cancel
    case 3: return 5;  // retry, cancel
    case 4: return 4;  // yes, no
    case 5: return 3;  // yes, no, cancel
    default: return 0;  // OK
  }
}

std::string ButtonText(int button) {
  static const char* const kTexts[] = {"", "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO"};
  return button >= 1 && button <= 7 ? kTexts[button] : "";
}

bool HasShownWindow(const Session& session) { return session.dialogs != nullptr && session.dialogs->HasShownWindow(); }

// Parameters: 1 caption, 2 text (both localised), 3 icon, 4 buttons, 5 result variable.
void ShowMessageBox(CommandContext& context) {
  Session& session = context.session;
  const std::string caption = context.Localized(1, 1);
  const std::string text = context.Localized(2, 2);
  const uint32_t style = IconStyle(RequireScriptInteger(context.Param(3))) |
                         ButtonStyle(RequireScriptInteger(context.Param(4)));
  if (session.silent) return;
  int answer = 0;
  {
    ProgressModeScope progressMode(session, style == kErrorIconWithOkOnly);
    const bool owned = HasShownWindow(session);
    answer = session.platform.ui.ShowStyledMessage(text, caption, style, owned, false);
    if (answer == 0 && owned) answer = session.platform.ui.ShowStyledMessage(text, caption, style, false, false);
  }
  // A box that could not be shown at all leaves the result empty: no button was pressed.
  if (!context.Param(5).empty()) context.SetDeclaredResult(5, ButtonText(answer));
}

platform::BalloonIcon BalloonIconOf(int32_t kind) {
  if (kind == 1) return platform::BalloonIcon::Warning;
  if (kind == 2) return platform::BalloonIcon::Error;
  return platform::BalloonIcon::Information;
}

constexpr int32_t kShortestBalloonSeconds = 10;
constexpr int32_t kLongestBalloonSeconds = 30;

// Parameters: 1 title, 2 text (both localised), 3 icon, 4 display time in seconds. The script
// goes on while the balloon is up.
void ShowMessageBalloon(CommandContext& context) {
  Session& session = context.session;
  const std::string title = context.Localized(1, 1);
  const std::string text = context.Localized(2, 2);
  const platform::BalloonIcon icon = BalloonIconOf(RequireScriptInteger(context.Param(3)));
  const int32_t seconds =
      std::clamp(RequireScriptInteger(context.Param(4)), kShortestBalloonSeconds, kLongestBalloonSeconds);
  if (session.silent) return;
  const uint32_t timeoutMs = static_cast<uint32_t>(seconds) * 1000;
  platform::Toolkit& toolkit = session.platform.toolkit;
  toolkit.ShowTrayIcon(session.variables.GetVariable("TITLE"));
  SetProgressMode(session, true, false);
  if (session.dialogs != nullptr) session.dialogs->RestoreProgressModeAfter(timeoutMs);
  toolkit.ShowBalloon(title, text, icon, timeoutMs);
}

void ShowInTray(Session& session) {
  if (session.silent) return;
  session.platform.toolkit.ShowTrayIcon(session.variables.GetVariable("TITLE"));
  if (session.dialogs != nullptr) session.dialogs->SetTaskbarOverlay(true);
}

// Parameters, each counting only when it is exactly "TRUE", carried out in this order: 1 hide
// the setup to the tray, 2 show the tray icon, 3 restore the window, 4 remove the tray icon and
// restore.
void SystemTray(CommandContext& context) {
  Session& session = context.session;
  DialogHost* dialogs = session.dialogs;
  if (context.Param(1) == "TRUE") {
    ShowInTray(session);
    if (dialogs != nullptr) dialogs->HideToTray();
  }
  if (context.Param(2) == "TRUE") ShowInTray(session);
  if (context.Param(3) == "TRUE" && dialogs != nullptr) dialogs->RestoreShownWindow();
  if (context.Param(4) == "TRUE") {
    session.platform.toolkit.HideTrayIcon();
    if (dialogs != nullptr) {
      dialogs->SetTaskbarOverlay(false);
      dialogs->RestoreShownWindow();
    }
  }
}

constexpr CommandRow kRows[] = {
    {.name = "MessageBox", .handler = ShowMessageBox, .prepare = DeclareOnly<5>},
    {"MessageBalloon", ShowMessageBalloon},
    {"System Tray", SystemTray},
};

}  // namespace

std::span<const CommandRow> MessageCommandRows() { return kRows; }

}  // namespace quarrix

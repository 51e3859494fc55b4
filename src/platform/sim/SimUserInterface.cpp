#include "platform/sim/SimUserInterface.h"

#include "common/AnsiText.h"

namespace quarrix::platform::sim {

MessageResult SimUserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                            MessageButtons buttons, MessageIcon icon, bool ownedByWindow) {
  shown.push_back({text, caption, buttons, icon, ownedByWindow});
  if (!answers.empty()) {
    MessageResult answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel ? MessageResult::Yes
                                                                                    : MessageResult::Ok;
}

std::optional<DialogOutcome> ParseDialogAnswer(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (EqualsIgnoreCase(text, "NEXT")) return DialogOutcome{kDialogNext, "", 0};
  if (EqualsIgnoreCase(text, "BACK")) return DialogOutcome{kDialogBack, "", 0};
  if (EqualsIgnoreCase(text, "CANCEL")) return DialogOutcome{kDialogCancelled, "", 0};
  return DialogOutcome{kDialogCustom, std::string(text), 0};
}

DialogOutcome SimUserInterface::ShowDialog(const std::string& key, const std::string& dialogName, bool modal) {
  dialogs.push_back({key, dialogName, modal});
  if (!modal) {
    dialogShownWithoutWaiting = true;
    // A handle no real window has, distinct per display.
    return DialogOutcome{kDialogNotModal, "", 0x10000 + dialogs.size()};
  }
  dialogShownWithoutWaiting = false;
  if (dialogAnswers.empty()) return DialogOutcome{kDialogNext, "", 0};
  DialogOutcome answer = dialogAnswers.front();
  dialogAnswers.pop_front();
  return answer;
}

}  // namespace quarrix::platform::sim

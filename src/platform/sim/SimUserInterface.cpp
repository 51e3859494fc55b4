#include "platform/sim/SimUserInterface.h"

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

}  // namespace quarrix::platform::sim

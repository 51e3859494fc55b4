#pragma once
// A headless user interface: records every box it is asked to show and answers from a queue.
#include <deque>
#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace quarrix::platform::sim {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
  bool ownedByWindow;
};

class SimUserInterface : public UserInterface {
 public:
  std::vector<ShownMessage> shown;
  std::deque<MessageResult> answers;  // taken in order; Ok (or Yes) once empty

  MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons,
                            MessageIcon icon, bool ownedByWindow) override;
};

}  // namespace quarrix::platform::sim

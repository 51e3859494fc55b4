#pragma once
// Message boxes through MessageBoxA. The engine's own windows do not exist yet, so every box
// stands alone for now.
#include "platform/UserInterface.h"

namespace quarrix::platform::win32 {

class Win32UserInterface : public UserInterface {
 public:
  MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons,
                            MessageIcon icon, bool ownedByWindow) override;
};

}  // namespace quarrix::platform::win32

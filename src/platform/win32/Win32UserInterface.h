#pragma once
// Message boxes through MessageBoxA. The engine's own windows do not exist yet, so every box
// stands alone for now.
#include <optional>
#include <string>

#include "platform/UserInterface.h"

namespace quarrix::platform::win32 {

class Win32UserInterface : public UserInterface {
 public:
  MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons,
                            MessageIcon icon, bool ownedByWindow) override;
  int ShowStyledMessage(const std::string& text, const std::string& caption, uint32_t style, bool ownedByWindow,
                        bool neutralLanguage) override;
  // The wizard's dialog windows are not part of this build: a modal dialog answers CANCEL, so
  // that an interactive setup ends instead of going on with choices nobody saw.
  DialogOutcome ShowDialog(const std::string& key, const std::string& dialogName, bool modal) override;
  void HideDialogs() override {}
  std::optional<std::string> BrowseForFolder(const std::string& title, bool ownedByWindow) override;
};

}  // namespace quarrix::platform::win32

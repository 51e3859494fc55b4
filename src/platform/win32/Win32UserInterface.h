#pragma once
// Message boxes through MessageBoxA, owned by the window the toolkit names as owner (the shown
// dialog) when the engine asks for an owned box.
#include <optional>
#include <string>

#include "platform/UserInterface.h"
#include "platform/win32/Win32Toolkit.h"

namespace quarrix::platform::win32 {

class Win32UserInterface : public UserInterface {
 public:
  explicit Win32UserInterface(const Win32Toolkit& toolkit) : toolkit_(toolkit) {}

  MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons,
                            MessageIcon icon, bool ownedByWindow) override;
  int ShowStyledMessage(const std::string& text, const std::string& caption, uint32_t style, bool ownedByWindow,
                        bool neutralLanguage) override;
  // The wizard's dialog windows are not part of this build: a modal dialog answers CANCEL, so
  // that an interactive setup ends instead of going on with choices nobody saw.
  DialogOutcome ShowDialog(const std::string& key, const std::string& dialogName, bool modal) override;
  void HideDialogs() override {}
  std::optional<std::string> BrowseForFolder(const std::string& title, bool ownedByWindow) override;

 private:
  const Win32Toolkit& toolkit_;
};

}  // namespace quarrix::platform::win32

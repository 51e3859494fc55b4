#pragma once
// A headless user interface: records every box it is asked to show and answers from a queue.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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

struct ShownStyledMessage {
  std::string text;
  std::string caption;
  uint32_t style;
  bool ownedByWindow;
  bool neutralLanguage;
};

// The button a box of these style flags selects by default (MB_DEFBUTTONn among the buttons of
// its MB_ type), as its IDOK .. IDCONTINUE number.
int DefaultButton(uint32_t style);

struct ShownDialog {
  std::string key;
  std::string dialogName;
  bool modal;
};

// A button by its IDOK .. IDCONTINUE number: "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES",
// "NO", "TRY AGAIN", "CONTINUE"; "NONE" for 0, the box that could not be shown.
std::string ButtonName(int button);
// A scripted answer of the next message box: "BOX:" and a button's name, in any letter case
// ("BOX:no"). Nothing for any other text.
std::optional<int> ParseBoxAnswer(std::string_view text);

// A scripted answer of a modal dialog: "NEXT", "BACK", "CANCEL", or any other text as the custom
// result with that text. Empty text is no answer.
std::optional<DialogOutcome> ParseDialogAnswer(std::string_view text);

class SimUserInterface : public UserInterface {
 public:
  std::vector<ShownMessage> shown;
  std::deque<MessageResult> answers;  // taken in order; Ok (or Yes) once empty
  std::vector<ShownStyledMessage> shownStyled;
  std::deque<int> styledAnswers;  // taken in order; the box's default button once empty
  std::vector<ShownDialog> dialogs;
  std::deque<DialogOutcome> dialogAnswers;  // of modal dialogs, in order; NEXT once empty
  bool dialogShownWithoutWaiting = false;
  // Told of every box once it is answered: its caption, text and the button's name.
  std::function<void(const std::string& caption, const std::string& text, const std::string& answer)> onBox;
  // Told when a box or the folder browser comes up, before the user acts on it.
  std::function<void()> onShown;

  MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons,
                            MessageIcon icon, bool ownedByWindow) override;
  int ShowStyledMessage(const std::string& text, const std::string& caption, uint32_t style, bool ownedByWindow,
                        bool neutralLanguage) override;
  DialogOutcome ShowDialog(const std::string& key, const std::string& dialogName, bool modal) override;
  void HideDialogs() override { dialogShownWithoutWaiting = false; }
  std::vector<std::string> folderBrowserTitles;
  std::deque<std::optional<std::string>> folderAnswers;  // in order; closed without a choice once empty
  std::optional<std::string> BrowseForFolder(const std::string& title, bool ownedByWindow) override;
};

}  // namespace quarrix::platform::sim

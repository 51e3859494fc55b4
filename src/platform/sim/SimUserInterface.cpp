#include "platform/sim/SimUserInterface.h"

#include "common/AnsiText.h"

namespace quarrix::platform::sim {

namespace {

constexpr std::pair<int, const char*> kButtonNames[] = {
    {0, "NONE"}, {1, "OK"},  {2, "CANCEL"}, {3, "ABORT"},      {4, "RETRY"},
    {5, "IGNORE"}, {6, "YES"}, {7, "NO"},   {10, "TRY AGAIN"}, {11, "CONTINUE"},
};
constexpr std::string_view kBoxAnswerPrefix = "BOX:";

}  // namespace

std::string ButtonName(int button) {
  for (const auto& [number, name] : kButtonNames)
    if (number == button) return name;
  return std::to_string(button);
}

std::optional<int> ParseBoxAnswer(std::string_view text) {
  if (text.size() <= kBoxAnswerPrefix.size() || !EqualsIgnoreCase(text.substr(0, kBoxAnswerPrefix.size()), kBoxAnswerPrefix))
    return std::nullopt;
  const std::string_view name = text.substr(kBoxAnswerPrefix.size());
  for (const auto& [number, known] : kButtonNames)
    if (number != 0 && EqualsIgnoreCase(name, known)) return number;
  return std::nullopt;
}

MessageResult SimUserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                            MessageButtons buttons, MessageIcon icon, bool ownedByWindow) {
  shown.push_back({text, caption, buttons, icon, ownedByWindow});
  if (onShown) onShown();
  MessageResult answer = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
                             ? MessageResult::Yes
                             : MessageResult::Ok;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  if (onBox) onBox(caption, text, ButtonName(static_cast<int>(answer)));
  return answer;
}

int DefaultButton(uint32_t style) {
  // The buttons of each MB_ type (style & 0xF) in the order they appear, as button numbers.
  static const std::vector<std::vector<int>> kButtons = {
      {1},         // MB_OK
      {1, 2},      // MB_OKCANCEL
      {3, 4, 5},   // MB_ABORTRETRYIGNORE
      {6, 7, 2},   // MB_YESNOCANCEL
      {6, 7},      // MB_YESNO
      {4, 2},      // MB_RETRYCANCEL
      {2, 10, 11}, // MB_CANCELTRYCONTINUE
  };
  const uint32_t type = style & 0xF;
  if (type >= kButtons.size()) return 1;
  const std::vector<int>& buttons = kButtons[type];
  const uint32_t index = (style >> 8) & 0xF;  // MB_DEFBUTTON1 .. MB_DEFBUTTON4
  return index < buttons.size() ? buttons[index] : buttons.front();
}

int SimUserInterface::ShowStyledMessage(const std::string& text, const std::string& caption, uint32_t style,
                                        bool ownedByWindow, bool neutralLanguage) {
  shownStyled.push_back({text, caption, style, ownedByWindow, neutralLanguage});
  if (onShown) onShown();
  int answer = DefaultButton(style);
  if (!styledAnswers.empty()) {
    answer = styledAnswers.front();
    styledAnswers.pop_front();
  }
  if (onBox) onBox(caption, text, ButtonName(answer));
  return answer;
}

std::optional<DialogOutcome> ParseDialogAnswer(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (EqualsIgnoreCase(text, "NEXT")) return DialogOutcome{kDialogNext, "", 0};
  if (EqualsIgnoreCase(text, "BACK")) return DialogOutcome{kDialogBack, "", 0};
  if (EqualsIgnoreCase(text, "CANCEL")) return DialogOutcome{kDialogCancelled, "", 0};
  return DialogOutcome{kDialogCustom, std::string(text), 0};
}

std::optional<std::string> SimUserInterface::BrowseForFolder(const std::string& title, bool) {
  folderBrowserTitles.push_back(title);
  if (onShown) onShown();
  if (folderAnswers.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(folderAnswers.front());
  folderAnswers.pop_front();
  return answer;
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

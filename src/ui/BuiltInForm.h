#pragma once
// A form of the engine's own, built from dialog-file text carried in the engine rather than from
// a file of the setup: its texts come from the message table each time it is shown, and it runs
// modally over the shown wizard window until a button with a modal result, a timer or the close
// box decides.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Session.h"
#include "platform/Toolkit.h"

namespace quarrix::ui {

// Modal results as the dialog files write them (ModalResult = 1).
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;
inline constexpr int kModalYes = 6;
inline constexpr int kModalNo = 7;

// Dialog-file text of a built-in form: the object line, the frame and font the engine's forms
// share, the client size, then the form's own properties and controls, closed with "end".
std::string BuiltInFormText(std::string_view objectLine, int clientWidth, int clientHeight, std::string_view body);

// The two buttons that close a form, at its bottom right: the default one (Enter) and the
// cancel one (Escape), with their modal results.
struct ClosingButton {
  const char* name;
  int modalResult;
};
std::string ClosingButtonsText(ClosingButton accept, ClosingButton cancel, int clientWidth, int top, int firstTabOrder);

class BuiltInForm {
 public:
  // Builds the window, hidden; a text that does not parse or build throws.
  BuiltInForm(Session& session, std::string_view dialogText, const std::string& name);
  ~BuiltInForm();
  BuiltInForm(const BuiltInForm&) = delete;
  BuiltInForm& operator=(const BuiltInForm&) = delete;

  platform::Toolkit& Toolkit() { return toolkit_; }
  platform::FormId Id() const { return form_; }

  // The property (a caption unless told) takes the message table's text of slot on every show.
  void TextFromMessage(const std::string& component, int slot, const std::string& property = "Caption");
  // While shown, a timer of intervalMs runs; when it fires, the handler may decide the result.
  void OnTimer(uint32_t intervalMs, std::function<std::optional<int>()> handler);

  // Shows the form centred on the screen, over the window message boxes belong to, and waits
  // for the user: the modal result of the button pressed, kModalCancel for the close box.
  int ShowModal();

 private:
  void OnEvent(platform::ToolkitEvent& event);
  void Decide(int result);

  Session& session_;
  platform::Toolkit& toolkit_;
  platform::FormId form_ = platform::kNoForm;
  std::map<std::string, int> modalResults_;  // upper-cased component name -> its modal result
  struct MessageText {
    std::string component;
    std::string property;
    int slot;
  };
  std::vector<MessageText> texts_;
  uint32_t timerMs_ = 0;
  std::function<std::optional<int>()> onTimer_;
  std::optional<int> result_;
};

}  // namespace quarrix::ui

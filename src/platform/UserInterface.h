#pragma once
// Windows and message boxes. The engine decides whether a box is shown at all (silence);
// the platform only shows what it is asked to.
#include <string>

namespace quarrix::platform {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageResult { Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // ownedByWindow: whether the box belongs to the engine's current window (the start-up
  // preparation window, a wizard page) or stands alone.
  virtual MessageResult ShowMessage(const std::string& text, const std::string& caption,
                                    MessageButtons buttons, MessageIcon icon, bool ownedByWindow) = 0;
};

}  // namespace quarrix::platform

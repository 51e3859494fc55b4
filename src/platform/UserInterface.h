#pragma once
// Windows and message boxes. The engine decides whether a box is shown at all (silence);
// the platform only shows what it is asked to.
#include <cstdint>
#include <optional>
#include <string>

namespace quarrix::platform {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageResult { Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

// How a wizard dialog closed: the dialog engine's result codes.
inline constexpr int kDialogNotModal = 0;
inline constexpr int kDialogCancelled = 2;
inline constexpr int kDialogNext = 6;
inline constexpr int kDialogBack = 7;
inline constexpr int kDialogCustom = 8;  // with a custom text

struct DialogOutcome {
  int result = kDialogNotModal;
  std::string customText;     // with kDialogCustom
  uint64_t windowHandle = 0;  // of a dialog shown without waiting
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // ownedByWindow: whether the box belongs to the engine's current window (the start-up
  // preparation window, a wizard page) or stands alone.
  virtual MessageResult ShowMessage(const std::string& text, const std::string& caption,
                                    MessageButtons buttons, MessageIcon icon, bool ownedByWindow) = 0;

  // A box whose buttons, icon and default button someone else chose, as MessageBox style flags
  // (the installer's messages); returns the button pressed as its IDOK .. IDNO number (1 .. 7,
  // 10, 11), 0 when the box could not be shown. neutralLanguage: MessageBoxEx with language 0.
  virtual int ShowStyledMessage(const std::string& text, const std::string& caption, uint32_t style,
                                bool ownedByWindow, bool neutralLanguage) = 0;

  // Shows the wizard dialog of a "Display Dialog" line (key: the line's 0-based index as decimal
  // text). Modal: waits for the user's choice. Otherwise the dialog stays up without waiting and
  // the outcome carries its window handle.
  virtual DialogOutcome ShowDialog(const std::string& key, const std::string& dialogName, bool modal) = 0;
  // Takes down the dialog shown without waiting.
  virtual void HideDialogs() = 0;
  // The system's folder browser for existing file-system folders; nothing when the user closed
  // it without a choice.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title, bool ownedByWindow) = 0;
};

}  // namespace quarrix::platform

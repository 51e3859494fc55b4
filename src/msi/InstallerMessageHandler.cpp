#include "msi/InstallerMessageHandler.h"

#include <string>

#include "engine/VariableManager.h"
#include "engine/WorkerHandshake.h"
#include "localisation/MessageTable.h"

namespace quarrix {
namespace {

constexpr uint32_t kTypeMask = 0xFF000000;
constexpr uint32_t kStyleMask = 0x00FFFFFF;
constexpr uint32_t kIconHand = 0x10;
constexpr uint32_t kIconQuestion = 0x20;
constexpr uint32_t kIconExclamation = 0x30;

int64_t Magnitude(int64_t value) {
  // The most negative value has no positive counterpart; it stays as it is, as a wrapping
  // negation leaves it.
  return value < 0 ? static_cast<int64_t>(0 - static_cast<uint64_t>(value)) : value;
}

}  // namespace

InstallerMessageTexts InstallerMessageTexts::From(const MessageTable& messages) {
  return {messages.Text(43), messages.Text(44), messages.Text(45), messages.Text(47), messages.Text(48)};
}

bool ReportInstallerProgress(TVariableManager& variables, const std::string& actionText, int64_t position,
                             int64_t total, int64_t minimum) {
  variables.StoreVariable(kThProgress, std::to_string(position));
  variables.StoreVariable(kThMax, std::to_string(total));
  variables.StoreVariable(kThMin, std::to_string(minimum));
  variables.StoreVariable(kThProgressText, actionText);
  return variables.GetVariable(kThCancelled) == "FALSE";
}

ProgressFields ParseProgressFields(std::string_view text) {
  ProgressFields fields;
  size_t at = 0;
  for (int count = 0; count < 4; ++count) {
    if (at + 3 > text.size() || text[at] < '1' || text[at] > '4' || text[at + 1] != ':' || text[at + 2] != ' ')
      break;
    at += 3;
    uint64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
      value = value * 10 + static_cast<uint64_t>(text[at++] - '0');
    fields.field[count] = static_cast<int64_t>(value);
    ++at;  // the blank before the next field, or whatever ended the number
  }
  return fields;
}

std::string ActionStartText(std::string_view text) {
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) return std::string(text);
  return dot + 2 >= text.size() ? std::string() : std::string(text.substr(dot + 2));
}

void InstallerMessageHandler::ApplyProgress(std::string_view text) {
  if (text.empty()) return;
  const ProgressFields parsed = ParseProgressFields(text);
  const int64_t f1 = parsed.field[0];
  const int64_t f2 = parsed.field[1];
  const int64_t f3 = parsed.field[2];
  switch (f1) {
    case 0:  // a new bar
      minimum_ = 0;
      if (f2 != 0) total_ = Magnitude(f2);
      position_ = 0;
      step_ = 0;
      if (f3 == 0) direction_ = 1;
      if (f3 == 1) direction_ = -1;
      break;
    case 1:  // how far each action-data message moves the bar
      if (f3 == 0) step_ = 0;
      if (f3 == 1) step_ = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(f2)));
      break;
    case 2:
      position_ = static_cast<int64_t>(static_cast<uint64_t>(position_) +
                                       static_cast<uint64_t>(direction_) * static_cast<uint64_t>(f2));
      break;
    case 3:
      total_ = static_cast<int64_t>(static_cast<uint64_t>(total_) + static_cast<uint64_t>(Magnitude(f2)));
      break;
    default:
      break;
  }
}

int InstallerMessageHandler::Box(const std::string* heading, std::string_view text, uint32_t flags, uint32_t icon,
                                 const char* mode, bool neutralLanguage) {
  const std::string shown = heading ? *heading + "\r\r" + std::string(text) : std::string(text);
  if (mode && progressMode.enter) progressMode.enter(mode);
  const int answer = ui_.ShowStyledMessage(shown, caption, (flags & kStyleMask) | icon, ownedByWindow, neutralLanguage);
  if (mode && progressMode.restore) progressMode.restore();
  return answer;
}

int InstallerMessageHandler::Handle(uint32_t messageCode, std::string_view text,
                                    const InstallerProgressReporter* reporter) {
  const uint32_t type = messageCode & kTypeMask;
  const uint32_t flags = messageCode & kStyleMask;
  int result = kMessageNotHandled;
  switch (type) {
    case kInstallMessageFatalExit:
      lastMessage_ = text;
      result = silent ? 0 : Box(&texts.fatalError, text, flags, kIconHand, "ERROR", false);
      break;
    case kInstallMessageError:
      lastMessage_ = text;
      result = silent ? 1 : Box(&texts.error, text, flags, kIconHand, nullptr, true);
      break;
    case kInstallMessageWarning:
      result = silent ? 1 : Box(&texts.warning, text, flags, kIconExclamation, "PAUSE", false);
      break;
    case kInstallMessageUser:
      result = silent ? 1 : Box(nullptr, text, flags, kIconQuestion, "PAUSE", false);
      break;
    case kInstallMessageFilesInUse:
    case kInstallMessageRmFilesInUse:
      result = silent ? 1 : Box(&texts.filesInUse, text, flags, kIconExclamation, "PAUSE", false);
      break;
    case kInstallMessageOutOfDiskSpace:
      result = silent ? 1 : Box(&texts.outOfDiskSpace, text, flags, kIconHand, "ERROR", false);
      break;
    case kInstallMessageInfo:
      result = kMessageHandled;
      break;
    case kInstallMessageResolveSource:
      result = kMessageNotHandled;
      break;
    case kInstallMessageActionStart:
      actionText_ = ActionStartText(text);
      result = kMessageHandled;
      break;
    case kInstallMessageActionData:
      actionText_ = text;
      position_ = static_cast<int64_t>(static_cast<uint64_t>(position_) + static_cast<uint64_t>(int64_t{step_}));
      result = kMessageHandled;
      break;
    case kInstallMessageProgress:
      ApplyProgress(text);
      result = kMessageHandled;
      break;
    case kInstallMessageCommonData:
    case kInstallMessageInitialize:
    case kInstallMessageTerminate:
    case kInstallMessageShowDialog:
      result = kMessageHandled;
      break;
    default:
      result = kMessageNotHandled;
      break;
  }
  if (reporter && *reporter && !(*reporter)(actionText_, position_, total_, minimum_)) return kMessageCancel;
  return result;
}

}  // namespace quarrix

#include "media/RetryForms.h"

#include "engine/Session.h"

namespace quarrix {
namespace {

constexpr int kSlotRetryDownloadCaption = 25;
constexpr int kSlotTryAgain = 26;
constexpr int kSlotNoExits = 30;
constexpr int kSlotRetryExtractionCaption = 33;
constexpr int kSlotExtractionFailed = 34;
constexpr int kSlotFreshCopy = 35;
constexpr int kSlotExtractAgain = 36;
constexpr int kSlotCancelPreserves = 37;
constexpr int kSlotConnectionHint = 49;
constexpr int kSlotWouldYouLike = 50;
constexpr int kSlotResume = 51;
constexpr int kSlotNewCopy = 52;
constexpr int kSlotCancelResumes = 53;

// The forms' labels carry accelerator marks a box has no use for.
std::string WithoutAccelerators(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&') continue;
    plain += text[i];
  }
  return plain;
}

platform::MessageResult Ask(Session& session, int captionSlot, const std::string& text,
                            platform::MessageButtons buttons) {
  const std::string caption = session.messages.Text(captionSlot);
  return session.platform.ui.ShowMessage(text, caption, buttons, platform::MessageIcon::Question, true);
}

std::string Line(const Session& session, int slot) { return WithoutAccelerators(session.messages.Text(slot)); }

}  // namespace

DownloadRetry AskRetrySystemDownload(Session& session) {
  if (session.silent) return DownloadRetry::Cancel;
  const std::string text = Line(session, kSlotConnectionHint) + "\r\n\r\n" + Line(session, kSlotWouldYouLike) +
                           "\r\nYes: " + Line(session, kSlotResume) + "\r\nNo: " + Line(session, kSlotNewCopy) +
                           "\r\n\r\n" + Line(session, kSlotCancelResumes);
  switch (Ask(session, kSlotRetryDownloadCaption, text, platform::MessageButtons::YesNoCancel)) {
    case platform::MessageResult::Yes:
    case platform::MessageResult::Ok: return DownloadRetry::Resume;
    case platform::MessageResult::No: return DownloadRetry::NewCopy;
    default: return DownloadRetry::Cancel;
  }
}

bool AskRetryHttpDownload(Session& session, DownloadOptions&) {
  if (session.silent) return false;
  const std::string text = Line(session, kSlotTryAgain) + "\r\n\r\n" + Line(session, kSlotNoExits);
  const platform::MessageResult answer =
      Ask(session, kSlotRetryDownloadCaption, text, platform::MessageButtons::YesNo);
  return answer == platform::MessageResult::Yes || answer == platform::MessageResult::Ok;
}

ExtractRetry AskRetryExtraction(Session& session) {
  if (session.silent) return ExtractRetry::Cancel;
  const std::string text = Line(session, kSlotExtractionFailed) + "\r\n\r\nYes: " + Line(session, kSlotFreshCopy) +
                           "\r\nNo: " + Line(session, kSlotExtractAgain) + "\r\n\r\n" +
                           Line(session, kSlotCancelPreserves);
  switch (Ask(session, kSlotRetryExtractionCaption, text, platform::MessageButtons::YesNoCancel)) {
    case platform::MessageResult::Yes:
    case platform::MessageResult::Ok: return ExtractRetry::FreshCopy;
    case platform::MessageResult::No: return ExtractRetry::ExtractAgain;
    default: return ExtractRetry::Cancel;
  }
}

}  // namespace quarrix

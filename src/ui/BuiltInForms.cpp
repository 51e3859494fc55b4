#include "ui/BuiltInForms.h"

#include "ui/LanguageDialog.h"
#include "ui/RetryDialogs.h"

namespace quarrix::ui {

BuiltInForms::BuiltInForms(Session& session) : session_(session) { session_.forms = this; }

BuiltInForms::~BuiltInForms() {
  if (session_.forms == this) session_.forms = nullptr;
}

std::optional<size_t> BuiltInForms::ChooseLanguage(const StringList& languages, size_t preselected) {
  return RunLanguageDialog(session_, languages, preselected);
}

DownloadRetry BuiltInForms::RetrySystemDownload() { return RunRetryDownloadEx(session_); }

bool BuiltInForms::RetryHttpDownload(DownloadOptions& options) { return RunRetryDownload(session_, options); }

ExtractRetry BuiltInForms::RetryExtraction() { return RunRetryExtract(session_); }

}  // namespace quarrix::ui

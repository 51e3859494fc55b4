#include "media/RetryForms.h"

#include "engine/EngineForms.h"
#include "engine/ProgressModeScope.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

EngineForms* Forms(Session& session) { return session.silent ? nullptr : session.forms; }

}  // namespace

DownloadRetry AskRetrySystemDownload(Session& session) {
  EngineForms* forms = Forms(session);
  if (!forms) return DownloadRetry::Cancel;
  const ProgressModeScope paused(session, false);
  return forms->RetrySystemDownload();
}

bool AskRetryHttpDownload(Session& session, DownloadOptions& options) {
  EngineForms* forms = Forms(session);
  if (!forms) return false;
  const ProgressModeScope paused(session, false);
  return forms->RetryHttpDownload(options);
}

ExtractRetry AskRetryExtraction(Session& session) {
  EngineForms* forms = Forms(session);
  if (!forms) return ExtractRetry::Cancel;
  const ProgressModeScope paused(session, false);
  return forms->RetryExtraction();
}

}  // namespace quarrix

#include "media/RetryForms.h"

#include "engine/EngineForms.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

EngineForms* Forms(Session& session) { return session.silent ? nullptr : session.forms; }

}  // namespace

DownloadRetry AskRetrySystemDownload(Session& session) {
  EngineForms* forms = Forms(session);
  return forms ? forms->RetrySystemDownload() : DownloadRetry::Cancel;
}

bool AskRetryHttpDownload(Session& session, DownloadOptions& options) {
  EngineForms* forms = Forms(session);
  return forms && forms->RetryHttpDownload(options);
}

ExtractRetry AskRetryExtraction(Session& session) {
  EngineForms* forms = Forms(session);
  return forms ? forms->RetryExtraction() : ExtractRetry::Cancel;
}

}  // namespace quarrix

#pragma once
// The questions the web media driver asks when a download or an extraction fails, as the
// engine's retry forms over the wizard. Silent runs, and runs that can show no window, get the
// answers that end the fetch.
#include "engine/WebMediaState.h"

namespace quarrix {

struct Session;

// After a failed system download: resume it, or fetch a new copy.
DownloadRetry AskRetrySystemDownload(Session& session);
// After a failed HTTP client download: true tries again with the proxy fields the user left,
// which become the download options.
bool AskRetryHttpDownload(Session& session, DownloadOptions& options);
// After a failed extraction: fetch a fresh copy, or extract again.
ExtractRetry AskRetryExtraction(Session& session);

}  // namespace quarrix

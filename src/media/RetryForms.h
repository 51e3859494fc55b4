#pragma once
// The questions the web media driver asks when a download or an extraction fails. Silent runs
// get the answers that end the fetch; otherwise the question is a box owned by the wizard window
// with the forms' texts, its buttons standing for the forms' choices.
#include "engine/WebMediaState.h"

namespace quarrix {

struct Session;

enum class DownloadRetry { Resume, NewCopy, Cancel };
enum class ExtractRetry { FreshCopy, ExtractAgain, Cancel };

// After a failed system download: Yes resumes, No fetches a new copy.
DownloadRetry AskRetrySystemDownload(Session& session);
// After a failed HTTP client download: true tries again with the proxy fields as they stand.
bool AskRetryHttpDownload(Session& session, DownloadOptions& options);
// After a failed extraction: Yes fetches a fresh copy, No extracts again.
ExtractRetry AskRetryExtraction(Session& session);

}  // namespace quarrix

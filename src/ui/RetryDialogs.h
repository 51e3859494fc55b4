#pragma once
// The forms the web media driver asks with when a download or an extraction failed.
#include "engine/Session.h"
#include "engine/WebMediaState.h"

namespace quarrix::ui {

// After a failed system download: resume (checked at first) or a new copy; left alone for a
// minute, it goes on as OK.
DownloadRetry RunRetryDownloadEx(Session& session);
// After a failed download by the HTTP client: the proxy fields, filled from options and written
// back to them with Yes.
bool RunRetryDownload(Session& session, DownloadOptions& options);
// After a failed extraction: a fresh copy (checked at first) or extract again; left alone for a
// minute, it fetches the fresh copy.
ExtractRetry RunRetryExtract(Session& session);

}  // namespace quarrix::ui

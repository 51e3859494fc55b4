#pragma once
// The web media driver: brings the data of a media block into the data folder once per
// revision, from a local block copy beside the setup or by download, and extracts it.
#include <string>

namespace quarrix {

struct Session;

// Whether a block's folder holds the completion marker of this revision.
bool BlockComplete(Session& session, const std::string& mediaEntry);

// Fetches the current block ("Web Media Block") for a line whose media entry is mediaEntry
// ("NAME\"); "OFFLINE\" takes the offline media copy. True when the data is in place; a failure
// the user does not retry throws std::runtime_error with the engine's text.
bool FetchWebMedia(Session& session, const std::string& mediaEntry);

// What the commands do around the driver: nothing outside web-based builds, for a line without
// media or once ABORTEDONERROR is set; otherwise the driver, whose error is shown (in silent runs
// too) and then either ends the script (true, ABORTONERROR) or sets ABORTEDONERROR.
bool FetchLineMedia(Session& session, size_t lineIndex);

}  // namespace quarrix

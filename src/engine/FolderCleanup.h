#pragma once
// Emptying and removing folders the engine created (support folder, work folders).
#include <string>

#include "platform/FileSystem.h"

namespace quarrix {

// Deletes every file below folder (attributes set to normal first) and every sub-folder.
// Failures are passed over; what could not be deleted stays.
void EmptyFolder(platform::FileSystem& files, const std::string& folder);

// Empties the folder three times in a row, since a file still held open by a process that
// is ending may only go on a later pass, then removes the folder itself.
void RemoveFolderTree(platform::FileSystem& files, const std::string& folder);

}  // namespace quarrix

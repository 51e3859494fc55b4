#pragma once
// Placing a whole folder tree into another one, file by file.
#include <string>

#include "platform/FileSystem.h"

namespace quarrix {

// Every file below source (all levels) goes to the same relative place below destination,
// folders created as needed. Moving replaces an existing target (attributes set to normal and
// the target deleted first); copying overwrites it. The first file that cannot be placed ends
// the walk with false. After a complete move the source folder is emptied and removed.
bool MergeFolder(platform::FileSystem& files, const std::string& source, const std::string& destination, bool move);

}  // namespace quarrix

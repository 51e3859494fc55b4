#pragma once
// Language files: a default block of 115 lines, then sections of a language name and a block.
#include <string>
#include <string_view>

#include "localisation/MessageTable.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace quarrix {

// Replaces the table from the file: the block of the user's language when the file has one,
// otherwise the block read last. False when the file cannot be read (the table is unchanged).
bool LoadLanguageFile(MessageTable& table, platform::FileSystem& files, platform::SystemInfo& system,
                      const std::string& path);

}  // namespace quarrix

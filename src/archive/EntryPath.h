#pragma once
// Entry names as the destination sees them, and the check that keeps every entry inside the
// destination folder on Windows.
#include <string>
#include <string_view>

#include "archive/ArchiveIo.h"

namespace quarrix::archive {

// The archive's UTF-16 name in the ANSI code page, folders separated by "\".
std::string ToEntryPath(const std::u16string& name, const CodePage& codePage);

// False for anything that is not a plain relative path of ordinary names: absolute or UNC
// paths, drive letters and streams (any ':'), "." and ".." segments, empty segments,
// characters Windows forbids in names, trailing dots or spaces, and device names such as
// CON, NUL, COM1 or LPT9 with or without an extension.
bool IsSafeEntryPath(std::string_view path);

}  // namespace quarrix::archive

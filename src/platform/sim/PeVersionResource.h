#pragma once
// The file version a Windows executable or library carries in its version resource, read from
// the file's bytes as the system's version calls read it: the first RT_VERSION resource, its
// fixed file information (VS_FIXEDFILEINFO). PE32 and PE32+ images differ only in where the
// optional header keeps its data directories.
#include <optional>
#include <string_view>

#include "platform/FileSystem.h"

namespace quarrix::platform::sim {

// Nothing for bytes that are not an image, an image without a version resource, or a resource
// without a valid fixed file information.
std::optional<FileVersion> ReadPeFileVersion(std::string_view image);

}  // namespace quarrix::platform::sim

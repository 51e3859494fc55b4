#pragma once
// The data appended behind a PE image, and building a setup executable from the engine.
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace quarrix {

// Writes what follows the library's stub to outputPath. The stub size is measured from the
// library's headers, or is sizeOverride when that is not 0. False when there is nothing behind
// the stub or any step fails; never throws.
bool ExtractAppendedData(platform::FileSystem& files, const std::string& libraryPath, const std::string& outputPath,
                         uint32_t sizeOverride = 0);

// Turns payloadPath into a runnable setup: the stub of executablePath followed by the payload,
// the original payload kept as payloadPath + ".nox". False on any failure, with no ".to" file
// left behind; never throws.
bool AttachStub(platform::FileSystem& files, const std::string& executablePath, const std::string& payloadPath);

}  // namespace quarrix

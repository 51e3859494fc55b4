#pragma once
// The data appended behind a PE image, and building a setup executable from the engine.
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace quarrix {

// Writes what follows the library's stub (or sizeOverride bytes, when not 0) to outputPath.
// False when there is nothing behind the stub or any step fails; never throws.
bool ExtractAppendedData(platform::FileSystem& files, const std::string& libraryPath, const std::string& outputPath,
                         uint32_t sizeOverride = 0);

// Turns payloadPath into a runnable setup: engine stub + payload, the original kept as ".nox".
// False on any failure; never throws.
bool AttachStub(platform::FileSystem& files, const std::string& executablePath, const std::string& payloadPath);

}  // namespace quarrix

#pragma once
// Reading the compiled script payload: from text, and from the running executable.
#include <stdexcept>
#include <string_view>

#include "platform/FileSystem.h"
#include "engine/Payload.h"
#include "engine/TraceLog.h"

namespace quarrix {

// A payload that ends early or holds a malformed integer line.
class PayloadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The 25 fields in order, with the "$" escapes of the parameter list replaced. Throws PayloadError.
ScriptPayload ParsePayload(std::string_view text);

// Reads the payload behind the stub of the executable at executablePath, through the temporary
// file "zvk.tmp" in tempFolder, writing the trace tags of each step. False when the executable
// carries no payload. Throws on a malformed payload or an unreadable file.
bool ReadPayload(platform::FileSystem& files, TraceLog& trace, const std::string& executablePath,
                 const std::string& tempFolder, ScriptPayload& payload);

}  // namespace quarrix

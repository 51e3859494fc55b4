#pragma once
// Payload back to script source.
#include <string>

#include "engine/Payload.h"

namespace quarrix {

// A source that compiles back to a payload equal to this one, field for field.
std::string DumpScriptSource(const ScriptPayload& payload);

}  // namespace quarrix

#pragma once
// Script source to payload.
#include <string_view>

#include "authoring/ScriptSource.h"
#include "engine/Payload.h"

namespace quarrix {

// sourceName names the source in generated GUIDs and source locations unless the source sets
// its own "source-name". Throws SourceError.
ScriptPayload CompileScriptSource(std::string_view source, std::string_view sourceName);

}  // namespace quarrix

#pragma once
// Writing a payload: the inverse of ParsePayload. A parameter value "$" is written as "$DOLLAR$".
#include <string>

#include "engine/Payload.h"

namespace quarrix {

std::string WritePayload(const ScriptPayload& payload);

}  // namespace quarrix

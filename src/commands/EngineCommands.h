#pragma once
// The engine's command catalogue: every command name, described by the rows of its family.
#include "engine/CommandCatalogue.h"

namespace quarrix {

const CommandCatalogue& EngineCommands();

}  // namespace quarrix

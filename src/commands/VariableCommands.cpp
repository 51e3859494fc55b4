// The variable and string commands.
#include "commands/CommandFamilies.h"

namespace quarrix {

std::span<const CommandRow> VariableCommandRows() { return {}; }

}  // namespace quarrix

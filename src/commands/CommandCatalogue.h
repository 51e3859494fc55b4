#pragma once
// Every command name the engine knows, with the handler that carries it out. Names compare
// exactly, letter case included. A known name without a handler is a command this build does
// not carry out yet: it passes through like an unknown name.
#include <span>
#include <string>
#include <string_view>

#include "common/AnsiText.h"
#include "engine/CommandContext.h"

namespace quarrix {

// One row of a command family: the handler of one exact name.
struct CommandRow {
  std::string_view name;
  CommandHandler handler;
};

struct CommandEntry {
  std::string_view name;
  bool flowControl = false;         // carried out by the interpreter loop itself
  CommandHandler handler = nullptr;  // null: not carried out by this build yet
};

// Null for a name that is not a command of the engine (authoring-only entries pass through).
const CommandEntry* FindCommand(std::string_view name);

// The distinct names of a script's lines that are engine commands this build passes over, in
// order of first appearance, plug-in commands (names in pluginCommands) among them.
StringList CommandsNotCarriedOut(const StringList& commandNames, const StringList& pluginCommands);

}  // namespace quarrix

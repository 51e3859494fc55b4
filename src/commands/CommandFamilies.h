#pragma once
// The command families: each file of commands/ contributes the rows of the names it describes.
// Adding a command is one row in its family.
#include <span>

#include "engine/CommandCatalogue.h"

namespace quarrix {

std::span<const CommandRow> VariableCommandRows();
std::span<const CommandRow> ComponentCommandRows();
std::span<const CommandRow> InstallerBackedCommandRows();
std::span<const CommandRow> DialogCommandRows();
std::span<const CommandRow> ArchiveCommandRows();
std::span<const CommandRow> ApplyCommandRows();
std::span<const CommandRow> RegistryCommandRows();
std::span<const CommandRow> SystemInfoCommandRows();
std::span<const CommandRow> FileCommandRows();
std::span<const CommandRow> ProgramCommandRows();
std::span<const CommandRow> MessageCommandRows();
// Commands this build checks before the run but does not carry out yet.
std::span<const CommandRow> PendingCommandRows();
std::span<const CommandRow> WebMediaCommandRows();
// What carries out every line of the script's plug-in commands.
const CommandRow& PluginCallRow();

}  // namespace quarrix

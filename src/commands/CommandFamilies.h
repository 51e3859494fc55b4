#pragma once
// The command families: each file of commands/ contributes the rows of the names it carries out.
// Adding a family is one line here; adding a command is one row in its family.
#include <span>

#include "commands/CommandCatalogue.h"

namespace quarrix {

std::span<const CommandRow> VariableCommandRows();
std::span<const CommandRow> ComponentCommandRows();
std::span<const CommandRow> InstallerBackedCommandRows();
std::span<const CommandRow> DialogCommandRows();
std::span<const CommandRow> ArchiveCommandRows();

inline constexpr std::span<const CommandRow> (*kCommandFamilies[])() = {
    VariableCommandRows,
    ComponentCommandRows,
    InstallerBackedCommandRows,
    DialogCommandRows,
    ArchiveCommandRows,
};

}  // namespace quarrix

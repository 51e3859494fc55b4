#pragma once
// Everything the engine knows about each command, one row per exact name (letter case
// included): its handler, how the preparation pass checks it, whether the installer package
// carries it out and with which parameters, and whether its result steers a wizard loop.
// The command families supply the rows; the engine only looks them up.
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>
#include <unordered_map>

#include "common/AnsiText.h"
#include "engine/CommandContext.h"
#include "engine/PreparationRule.h"

namespace quarrix {

// A parameter an installer-backed line hands to the package as "P" + header + "_" + k, k
// counting from 1 in row order. slot 0: used as a path, not localisable.
struct ParameterProperty {
  size_t parameter;
  int slot = 0;
};

struct InstallerBacking {
  std::span<const ParameterProperty> properties;
  bool onlyReferences = false;  // a parameter goes over only when its stored text refers to a variable
  size_t serviceDependencyParameter = 0;  // 0: none; its "~" become the package's "$NULL$"
  bool fetchesMedia = false;  // in web-based builds the line's media block is fetched first
};

struct CommandRow {
  std::string_view name;
  CommandHandler handler = nullptr;  // null: not carried out by this build; the line passes through
  PreparationRule prepare = nullptr;  // null: the preparation pass has nothing to check
  bool flowControl = false;           // carried out by the interpreter loop itself
  bool installerBacked = false;       // the package does the work; its skip mark starts as "FALSE"
  InstallerBacking backing{};
  bool steersWizardLoop = false;  // its NEXT, BACK or CANCEL result moves a wizard loop
  // Works on the file system: WOW64 redirection is off around it in the 64-bit modes.
  bool touchesFiles = false;
};

class CommandCatalogue {
 public:
  // names: every command of the engine; the families' rows fill in what is known of them. A row
  // naming a command that is not among names, or a name given two rows, throws std::logic_error.
  // pluginCall: what carries out every plug-in line, whatever its name.
  CommandCatalogue(std::span<const std::string_view> names,
                   std::initializer_list<std::span<const CommandRow>> families,
                   const CommandRow* pluginCall = nullptr);

  // Null for a name that is not a command of the engine (authoring-only entries pass through).
  const CommandRow* Find(std::string_view name) const;
  // Null when this catalogue carries out no plug-in lines.
  const CommandRow* PluginCall() const { return pluginCall_; }

  // The distinct names of a script's lines that this build passes over, in order of first
  // appearance: engine commands without a handler, and plug-in lines while there is no plug-in call.
  StringList CommandsNotCarriedOut(const StringList& commandNames, const StringList& pluginCommands) const;

 private:
  std::unordered_map<std::string_view, CommandRow> rows_;
  const CommandRow* pluginCall_ = nullptr;
};

// The rows of the commands the interpreter loop carries out itself.
std::span<const CommandRow> FlowCommandRows();

}  // namespace quarrix

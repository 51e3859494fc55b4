// The component commands: the script defines, queries and changes its setup components.
// None of them fails: undefined names and invalid sizes change nothing.
#include <string>

#include "commands/CommandFamilies.h"
#include "engine/ComponentTable.h"
#include "common/IntegerSyntax.h"
#include "engine/VariableManager.h"
#include "instance/InstanceData.h"
#include "engine/Session.h"
#include "engine/Wow64Switches.h"

namespace quarrix {
namespace {

// Parameter 1 of every component command: the name, localisable slot 1.
std::string ComponentName(const CommandContext& context) { return context.Localized(1, 1); }

ComponentTable& Table(CommandContext& context) { return context.session.run.components; }

void DefineComponentCommand(CommandContext& context) {
  const std::string name = ComponentName(context);
  const std::string description = context.Localized(3, 2);
  ComponentTable& table = Table(context);
  if (!context.session.variables.GetVariable("LANGUAGE").empty()) {
    // The compiled sizes name the component as written; its localised name must carry the same.
    const int64_t size = table.ComponentSize(context.Expanded(1));
    if (size != 0) {
      table.sizes.push_back(name);
      table.sizes.push_back(std::to_string(size));
    }
  }
  table.DefineComponent(name, description, context.Truth(2));
}

void GetComponentStateCommand(CommandContext& context) {
  if (context.Param(2).empty()) return;
  const std::string name = ComponentName(context);
  context.SetDeclaredResult(2, BoolText(Table(context).ComponentSelected(name)));
}

void SetComponentStateCommand(CommandContext& context) {
  Table(context).SetComponentState(ComponentName(context), context.Truth(2));
}

void GetComponentSpaceCommand(CommandContext& context) {
  if (context.Param(2).empty()) return;
  const std::string name = ComponentName(context);
  const ComponentTable& table = Table(context);
  const int64_t size = name.empty() ? table.TotalToInstall() : table.ComponentSize(name);
  context.SetDeclaredResult(2, std::to_string(size));
}

void SetComponentSpaceCommand(CommandContext& context) {
  const std::string name = ComponentName(context);
  if (std::optional<int64_t> size = ParseScriptInteger64(context.Expanded(2)))
    Table(context).SetComponentSize(name, *size);
}

void SetComponentChoiceCommand(CommandContext& context) {
  Table(context).SetSelectionFixed(ComponentName(context), !context.Truth(2));
}

void SetComponentVisibilityCommand(CommandContext& context) {
  Table(context).SetVisible(ComponentName(context), context.Truth(2));
}

void DeleteComponentCommand(CommandContext& context) { Table(context).DeleteComponent(ComponentName(context)); }

// Selection files share the instance data file's format, with an empty data-folder line. Like the
// other file commands they work with redirection off outside "Win32" mode on a 64-bit system.
void SaveFeatureSelections(CommandContext& context) {
  const Wow64Bracket bracket(context.session, false, Wow64Bracket::Registry::Untouched);
  SaveInstanceData(context.session, context.Expanded(1), true, true);
}

void LoadFeatureSelections(CommandContext& context) {
  const std::string path = context.Expanded(1);
  const Wow64Bracket bracket(context.session, false, Wow64Bracket::Registry::Untouched);
  if (!context.session.platform.files.FileExists(path)) return;
  LoadInstanceData(context.session, path, InstanceLoad::Merge);
}

constexpr CommandRow kRows[] = {
    {"Define Component", DefineComponentCommand},
    {"Get Component State", GetComponentStateCommand, DeclareOnly<2>},
    {"Set Component State", SetComponentStateCommand},
    {"Get Component Space", GetComponentSpaceCommand, DeclareOnly<2>},
    {"Set Component Space", SetComponentSpaceCommand},
    {"Set Component Choice", SetComponentChoiceCommand},
    {"Set Component Visibility", SetComponentVisibilityCommand},
    {"Delete Component", DeleteComponentCommand},
    {"Save Feature Selections", SaveFeatureSelections},
    {"Load Feature Selections", LoadFeatureSelections},
};

}  // namespace

std::span<const CommandRow> ComponentCommandRows() { return kRows; }

}  // namespace quarrix

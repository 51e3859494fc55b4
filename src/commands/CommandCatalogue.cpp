#include "commands/CommandCatalogue.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "commands/CommandFamilies.h"

namespace quarrix {
namespace {

constexpr std::string_view kFlowCommands[] = {
    "Label", "GoTo Label", "If", "Else If", "Else", "End", "Wizard Loop", "Comment", "Ignore",
    "Terminate Install", "Terminate with Exit Code",
};

constexpr std::string_view kCommands[] = {
    "Set Variable", "Localization Variable", "Convert Path", "Convert Case", "Replace String", "Extract Path",
    "Parse String", "Mathematics", "Evaluate Expression", "Web Media Block", "Extract 7Zip Archive",
    "Transform Instance", "Apply Changes", "Apply Patch", "Display Dialog", "Hide Dialog", "Read Registry",
    "Check Registry", "Write Registry", "Delete Registry", "Edit INI File", "Get INI File Settings",
    "Set Environment", "Get Environment", "Install Files", "Copy/Move Local Files", "Delete Files",
    "Create Folder", "Create Shortcut", "Advertised Shortcut", "Create File Type", "Advertised File Type",
    "Delete Files Recursive", "Does File/Folder Exist", "Find All Files", "Get Temporary File", "Check Disk Space",
    "Get File Version", "Check File Version", "Read from Text File", "Write to Text File", "Get Folder Location",
    "Run Program", "Run Program As", "Run Light Mode Setup", "Terminate Program", "Check Process",
    "Check Service", "Control Service", "Install Service", "Schedule Task", "Delete Scheduled Task",
    "Register Library", "Register Assembly", "Install Assembly", "Remove Assemblies", "Generate Native Images",
    "Run .NET Installer Class", "Create ODBC DSN", "Install ODBC Driver", "Reboot Computer", "Reboot and Resume",
    "Define Component", "Get Component State", "Set Component State", "Get Component Space",
    "Set Component Space", "Set Component Choice", "Set Component Visibility", "Delete Component",
    "Save Feature Selections", "Load Feature Selections", "Get System Settings", "Get OS or SP Level",
    "Is MSI Setup Installed", "Set 64 Bit Mode", "Create IIS Site", "Delete IIS Site", "Control IIS Site",
    "Create Virtual Folder", "Delete Virtual Folder", "Get IIS Site List", "Get IIS Site Index",
    "Get IIS Property", "Set IIS Property", "IIS Anonymous User", "Create Share", "Delete Share",
    "Set Access Control", "MessageBox", "MessageBalloon", "System Tray",
};

using Catalogue = std::unordered_map<std::string_view, CommandEntry>;

Catalogue BuildCatalogue() {
  Catalogue catalogue;
  for (std::string_view name : kFlowCommands) catalogue[name] = CommandEntry{name, true, nullptr};
  for (std::string_view name : kCommands) catalogue[name] = CommandEntry{name, false, nullptr};
  for (auto family : kCommandFamilies)
    for (const CommandRow& row : family()) {
      auto it = catalogue.find(row.name);
      // A family may only carry out names of the catalogue: a typo must not add a command.
      if (it == catalogue.end() || it->second.flowControl) throw std::logic_error("not a catalogue command");
      it->second.handler = row.handler;
    }
  return catalogue;
}

const Catalogue& TheCatalogue() {
  static const Catalogue catalogue = BuildCatalogue();
  return catalogue;
}

}  // namespace

const CommandEntry* FindCommand(std::string_view name) {
  const Catalogue& catalogue = TheCatalogue();
  auto it = catalogue.find(name);
  return it == catalogue.end() ? nullptr : &it->second;
}

StringList CommandsNotCarriedOut(const StringList& commandNames, const StringList& pluginCommands) {
  StringList missing;
  for (const std::string& name : commandNames) {
    // A plug-in line is a plug-in call whatever built-in it is named after, and no plug-in
    // call is carried out by this build yet.
    const bool plugin = std::find(pluginCommands.begin(), pluginCommands.end(), name) != pluginCommands.end();
    const CommandEntry* entry = FindCommand(name);
    if (!plugin && (!entry || entry->flowControl || entry->handler)) continue;
    if (std::find(missing.begin(), missing.end(), name) == missing.end()) missing.push_back(name);
  }
  return missing;
}

}  // namespace quarrix

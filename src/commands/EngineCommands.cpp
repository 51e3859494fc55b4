#include "commands/EngineCommands.h"

#include "commands/CommandFamilies.h"

namespace quarrix {
namespace {

constexpr std::string_view kCommandNames[] = {
    // carried out by the interpreter loop
    "Label", "GoTo Label", "If", "Else If", "Else", "End", "Wizard Loop", "Comment", "Ignore",
    "Terminate Install", "Terminate with Exit Code",
    // carried out by the command families
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

}  // namespace

const CommandCatalogue& EngineCommands() {
  static const CommandCatalogue catalogue(kCommandNames, {
                                                             FlowCommandRows(),
                                                             VariableCommandRows(),
                                                             ComponentCommandRows(),
                                                             InstallerBackedCommandRows(),
                                                             DialogCommandRows(),
                                                             ArchiveCommandRows(),
                                                             ApplyCommandRows(),
                                                             RegistryCommandRows(),
                                                             SystemInfoCommandRows(),
                                                             FileCommandRows(),
                                                             ProgramCommandRows(),
                                                             MessageCommandRows(),
                                                             PendingCommandRows(),
                                                             WebMediaCommandRows(),
                                                         },
                                          &PluginCallRow());
  return catalogue;
}

}  // namespace quarrix

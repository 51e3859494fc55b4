// Commands whose work the installer package carries out: at run time they only switch their
// line's rows on (the action property) and hand over the run-time values of their parameters
// (the parameter properties). "Transform Instance" asks for a new instance identity.
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "commands/CommandFamilies.h"
#include "engine/ScriptRun.h"
#include "engine/VariableManager.h"
#include "instance/InstanceBootstrap.h"
#include "msi/InstallerProperties.h"
#include "startup/Session.h"

namespace quarrix {
namespace {

// A parameter handed to the package; slot 0: not localisable.
struct ParameterProperty {
  size_t parameter;
  int slot = 0;
};

// The pairs are header, line index; a script built without any headers needs none.
std::string CommandHeader(const CommandContext& context) {
  const StringList& headers = context.session.payload.commandHeaders;
  if (headers.empty()) return {};
  const std::string line = std::to_string(context.LineIndex());
  for (size_t i = 0; i + 1 < headers.size(); i += 2)
    if (headers[i + 1] == line) return headers[i];
  throw std::runtime_error("Unable to obtain command headers. Please rebuild your project.");
}

std::string PropertyValue(const CommandContext& context, const ParameterProperty& property, bool serviceDependencies) {
  if (property.slot == 0) return context.Path(property.parameter);
  // Localisation already expands; only the doubled backslashes remain to collapse.
  std::string text = context.Localized(property.parameter, property.slot);
  // The package reads "$NULL$" as the separator of a service's dependencies.
  if (serviceDependencies) text = ReplaceAll(text, "~", "$NULL$");
  return NormalizePathNoExpand(text);
}

// onlyReferences: a parameter is handed over only when its stored text refers to a variable.
void RunInstallerBacked(CommandContext& context, const std::string& header,
                        std::initializer_list<ParameterProperty> properties, bool onlyReferences = false,
                        size_t serviceDependencyParameter = 0) {
  Session& session = context.session;
  if (context.LineIndex() < session.skipMarks.size()) session.skipMarks[context.LineIndex()] = "TRUE";
  QueueAndRecordInstallerProperty(session, "A" + header, "TRUE");
  // The web media block of "Install Files", "Install Assembly", "Install ODBC Driver" and
  // "Install Service" lines in web-based builds is fetched here once the download of media blocks
  // exists; until then such a line relies on media already in place.
  size_t k = 0;
  for (const ParameterProperty& property : properties) {
    ++k;
    if (onlyReferences && context.Param(property.parameter).find('$') == std::string::npos) continue;
    const bool dependencies = serviceDependencyParameter != 0 && property.parameter == serviceDependencyParameter;
    QueueAndRecordInstallerProperty(session, "P" + header + "_" + std::to_string(k),
                                    PropertyValue(context, property, dependencies));
  }
}

void RunInstallerBacked(CommandContext& context, std::initializer_list<ParameterProperty> properties,
                        bool onlyReferences = false, size_t serviceDependencyParameter = 0) {
  RunInstallerBacked(context, CommandHeader(context), properties, onlyReferences, serviceDependencyParameter);
}

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The package's Shortcut rows take the localised name in the installer's short|long form.
void CreateShortcut(CommandContext& context) {
  const std::string name = context.Localized(2, 1);
  const std::string description = context.Localized(4, 2);
  const std::string pinning = context.Param(9);
  const size_t bar = pinning.find('|');
  if (bar != std::string::npos && bar + 1 < pinning.size()) {
    const std::string shortcutFile = NormalizePathNoExpand(context.Expanded(3) + "\\" + name + ".lnk");
    context.session.packageEdits.pinRequests.push_back(shortcutFile + "|" + pinning.substr(bar + 1) + "|" +
                                                       context.Path(1));
  }
  const std::string header = CommandHeader(context);
  StringList& localisations = context.session.packageEdits.shortcutLocalisations;
  localisations.push_back("P" + header + "_1");
  localisations.push_back(Trimmed(std::string_view(name).substr(0, 6)) + "~1|" + name);
  localisations.push_back(description);
  RunInstallerBacked(context, header, {{3}, {1}, {5}, {6}});
}

void AdvertisedFileType(CommandContext& context) {
  const std::string progId = context.Localized(1, 1);
  const std::string description = context.Localized(3, 2);
  const std::string header = CommandHeader(context);
  StringList& localisations = context.session.packageEdits.progIdLocalisations;
  localisations.push_back(context.Param(1));
  localisations.push_back(progId);
  localisations.push_back(description);
  RunInstallerBacked(context, header, {});
}

void WriteRegistry(CommandContext& c) { RunInstallerBacked(c, {{3}, {4}, {5}}, true); }
void EditIniFile(CommandContext& c) { RunInstallerBacked(c, {{1}, {4}, {5}, {6}}); }
void SetEnvironment(CommandContext& c) { RunInstallerBacked(c, {{2}}); }
void InstallFiles(CommandContext& c) { RunInstallerBacked(c, {{3}}); }
void CopyMoveLocalFiles(CommandContext& c) { RunInstallerBacked(c, {{1}, {3}}); }
void DeleteFiles(CommandContext& c) { RunInstallerBacked(c, {{1}}); }
void CreateFolder(CommandContext& c) { RunInstallerBacked(c, {{1}}); }
void CreateFileType(CommandContext& c) { RunInstallerBacked(c, {{1, 1}, {2}, {3, 2}, {4}, {5}}); }
void ControlService(CommandContext& c) { RunInstallerBacked(c, {{1, 1}, {2}}); }
void InstallService(CommandContext& c) {
  RunInstallerBacked(c, {{2}, {4, 1}, {5, 2}, {9, 4}, {10, 5}, {13}, {14}, {15}, {6, 3}}, false, 10);
}
void InstallAssembly(CommandContext& c) { RunInstallerBacked(c, {{3}}); }
void CreateOdbcDsn(CommandContext& c) { RunInstallerBacked(c, {}); }
void InstallOdbcDriver(CommandContext& c) { RunInstallerBacked(c, {{4}}); }

std::string NewUpperCaseGuid(Session& session) {
  std::string guid = ToUpperAscii(session.platform.system.NewGuid());
  if (guid.empty()) throw std::runtime_error("Unable to create a new instance identity.");
  return guid;
}

void TransformInstance(CommandContext& context) {
  Session& session = context.session;
  if (!IsTrue(session.variables.GetVariable("NEWINSTANCE"))) return;
  const std::string packagePath = session.instance.packagePath;
  if (session.platform.files.FileExists(PatchPackagePath(packagePath))) return;
  session.payload.productCode = NewUpperCaseGuid(session);
  session.payload.revisionCode = NewUpperCaseGuid(session);
  session.packageEdits.instanceTransformRequested = true;
  session.packageEdits.componentIdsRegenerated = false;
  RunBootstrap(session, packagePath);
}

constexpr CommandRow kRows[] = {
    {"Write Registry", WriteRegistry},
    {"Edit INI File", EditIniFile},
    {"Set Environment", SetEnvironment},
    {"Install Files", InstallFiles},
    {"Copy/Move Local Files", CopyMoveLocalFiles},
    {"Delete Files", DeleteFiles},
    {"Create Folder", CreateFolder},
    {"Create Shortcut", CreateShortcut},
    {"Advertised Shortcut", CreateShortcut},
    {"Create File Type", CreateFileType},
    {"Advertised File Type", AdvertisedFileType},
    {"Control Service", ControlService},
    {"Install Service", InstallService},
    {"Install Assembly", InstallAssembly},
    {"Create ODBC DSN", CreateOdbcDsn},
    {"Install ODBC Driver", InstallOdbcDriver},
    {"Transform Instance", TransformInstance},
};

}  // namespace

std::span<const CommandRow> InstallerBackedCommandRows() { return kRows; }

}  // namespace quarrix

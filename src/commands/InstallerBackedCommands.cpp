// Commands whose work the installer package carries out: at run time they only switch their
// line's rows on (the action property) and hand over the run-time values of their parameters
// (the parameter properties). "Transform Instance" asks for a new instance identity.
#include <stdexcept>
#include <string>
#include <string_view>

#include "commands/CommandFamilies.h"
#include "engine/ScriptRun.h"
#include "engine/VariableManager.h"
#include "instance/InstanceBootstrap.h"
#include "engine/PackageEdits.h"
#include "engine/Session.h"
#include "media/FetchWebMedia.h"

namespace quarrix {
namespace {

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

// Switches the line's rows on and hands over the parameters its catalogue row names.
void RunInstallerBacked(CommandContext& context, const std::string& header) {
  Session& session = context.session;
  const InstallerBacking& backing = context.Row().backing;
  if (context.LineIndex() < session.run.skipMarks.size()) session.run.skipMarks[context.LineIndex()] = "TRUE";
  QueueAndRecordInstallerProperty(session.run, "A" + header, "TRUE");
  if (backing.fetchesMedia && FetchLineMedia(session, context.LineIndex())) {
    context.EndScript();
    return;
  }
  size_t k = 0;
  for (const ParameterProperty& property : backing.properties) {
    ++k;
    if (backing.onlyReferences && context.Param(property.parameter).find('$') == std::string::npos) continue;
    const bool dependencies =
        backing.serviceDependencyParameter != 0 && property.parameter == backing.serviceDependencyParameter;
    QueueAndRecordInstallerProperty(session.run, "P" + header + "_" + std::to_string(k),
                                    PropertyValue(context, property, dependencies));
  }
}

void RunInstallerBackedLine(CommandContext& context) { RunInstallerBacked(context, CommandHeader(context)); }

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
    context.session.run.packageEdits.pinRequests.push_back(shortcutFile + "|" + pinning.substr(bar + 1) + "|" +
                                                       context.Path(1));
  }
  const std::string header = CommandHeader(context);
  StringList& localisations = context.session.run.packageEdits.shortcutLocalisations;
  localisations.push_back("P" + header + "_1");
  localisations.push_back(Trimmed(std::string_view(name).substr(0, 6)) + "~1|" + name);
  localisations.push_back(description);
  RunInstallerBacked(context, header);
}

void AdvertisedFileType(CommandContext& context) {
  const std::string progId = context.Localized(1, 1);
  const std::string description = context.Localized(3, 2);
  const std::string header = CommandHeader(context);
  StringList& localisations = context.session.run.packageEdits.progIdLocalisations;
  localisations.push_back(context.Param(1));
  localisations.push_back(progId);
  localisations.push_back(description);
  RunInstallerBacked(context, header);
}

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
  session.run.packageEdits.instanceTransformRequested = true;
  session.run.packageEdits.componentIdsRegenerated = false;
  RunBootstrap(session, packagePath);
}

std::string CheckDeleteFiles(const LineCheck& check) {
  if (!IsTrue(check.Param(3)) && !IsTrue(check.Param(4))) return "At least one delete mode must be selected";
  return {};
}

std::string CheckInstallFiles(const LineCheck& check) {
  if (check.Param(3).empty())
    return "A target folder must be specified for files that are being installed.\r"
           "The value $TARGETDIR$ represents the destination folder chosen by the user.";
  return {};
}

// The parameters each command hands to the package, in the order of their property numbers.
constexpr ParameterProperty kWriteRegistry[] = {{3}, {4}, {5}};
constexpr ParameterProperty kEditIniFile[] = {{1}, {4}, {5}, {6}};
constexpr ParameterProperty kSetEnvironment[] = {{2}};
constexpr ParameterProperty kInstallFiles[] = {{3}};
constexpr ParameterProperty kCopyMoveLocalFiles[] = {{1}, {3}};
constexpr ParameterProperty kFirstParameter[] = {{1}};
constexpr ParameterProperty kCreateShortcut[] = {{3}, {1}, {5}, {6}};
constexpr ParameterProperty kCreateFileType[] = {{1, 1}, {2}, {3, 2}, {4}, {5}};
constexpr ParameterProperty kControlService[] = {{1, 1}, {2}};
constexpr ParameterProperty kInstallService[] = {{2}, {4, 1}, {5, 2}, {9, 4}, {10, 5}, {13}, {14}, {15}, {6, 3}};
constexpr ParameterProperty kInstallAssembly[] = {{3}};
constexpr ParameterProperty kInstallOdbcDriver[] = {{4}};

constexpr CommandRow Backed(std::string_view name, InstallerBacking backing, CommandHandler handler = RunInstallerBackedLine,
                            PreparationRule prepare = nullptr) {
  return CommandRow{.name = name, .handler = handler, .prepare = prepare, .installerBacked = true, .backing = backing};
}

constexpr CommandRow kRows[] = {
    Backed("Write Registry", {kWriteRegistry, /*onlyReferences=*/true}),
    Backed("Edit INI File", {kEditIniFile}),
    Backed("Set Environment", {kSetEnvironment}),
    Backed("Install Files", {kInstallFiles, false, 0, /*fetchesMedia=*/true}, RunInstallerBackedLine, CheckInstallFiles),
    Backed("Copy/Move Local Files", {kCopyMoveLocalFiles}),
    Backed("Delete Files", {kFirstParameter}, RunInstallerBackedLine, CheckDeleteFiles),
    Backed("Create Folder", {kFirstParameter}),
    Backed("Create Shortcut", {kCreateShortcut}, CreateShortcut),
    Backed("Advertised Shortcut", {kCreateShortcut}, CreateShortcut),
    Backed("Create File Type", {kCreateFileType}),
    Backed("Advertised File Type", {}, AdvertisedFileType),
    Backed("Control Service", {kControlService}),
    Backed("Install Service", {kInstallService, false, /*serviceDependencyParameter=*/10, /*fetchesMedia=*/true}),
    Backed("Install Assembly", {kInstallAssembly, false, 0, /*fetchesMedia=*/true}),
    Backed("Create ODBC DSN", {}),
    Backed("Install ODBC Driver", {kInstallOdbcDriver, false, 0, /*fetchesMedia=*/true}),
    {"Transform Instance", TransformInstance},
};

}  // namespace

std::span<const CommandRow> InstallerBackedCommandRows() { return kRows; }

}  // namespace quarrix

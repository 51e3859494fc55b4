#include "engine/PredefinedVariables.h"

#include <utility>
#include <vector>

#include "common/WindowsPath.h"
#include "engine/VariableManager.h"
#include "platform/Registry.h"
#include "engine/Session.h"
#include "engine/Wow64Switches.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryView;

constexpr std::string_view kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";


}  // namespace

std::string ReadRegistryText(platform::Registry& registry, RegistryRoot root, const std::string& key,
                             const std::string& name, RegistryView view) {
  auto value = registry.ReadValue(root, key, name, view);
  if (!value) return {};
  if (value->type != platform::RegistryType::String && value->type != platform::RegistryType::ExpandString)
    return {};
  return value->data;
}

bool AllUsersDefault(platform::SystemInfo& system) {
  const platform::WindowsVersion version = system.Version();
  if (!version.ntFamily || !system.IsAdministrator()) return false;
  return version.major <= 5 || system.IsElevated();
}

std::string DefaultTargetFolder(Session& session, std::string_view title) {
  platform::SystemInfo& system = session.platform.system;
  std::string programFolder;
  if (!system.Version().ntFamily || AllUsersDefault(system)) {
    // The 32-bit program folder on a 64-bit system, as the 32-bit engine sees it, in every build.
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    platform::Registry& registry = session.platform.registry;
    programFolder = ReadRegistryText(registry, RegistryRoot::LocalMachine, key, "ProgramFilesDir",
                                     FixedRegistryView(session));
    // A 64-bit system without a 32-bit registry half (a 64-bit-only Wine prefix) names the 32-bit
    // folder only in the 64-bit view; an empty folder would make the destination a relative path.
    if (programFolder.empty() && IsWow64(session))
      programFolder = ReadRegistryText(registry, RegistryRoot::LocalMachine, key, "ProgramFilesDir (x86)",
                                       RegistryView::Force64);
    if (programFolder.empty())
      programFolder = ReadRegistryText(registry, RegistryRoot::LocalMachine, key, "ProgramFilesDir", RegistryView::Default);
  } else {
    // The parent of the documents folder, which comes with its trailing backslash.
    programFolder = FolderUpToBackslashOrColon(
        WithoutTrailingBackslash(system.FolderPath(platform::SpecialFolder::Documents).value_or("")));
  }
  return WithTrailingBackslashUnlessEmpty(programFolder) + std::string(title) + "\\";
}

void SetPreInitializationVariables(Session& session) {
  TVariableManager& variables = session.variables;
  variables.SetVariable("TARGETDIR", DefaultTargetFolder(session, session.workingTitle), kPreInitializationContext);
  variables.SetVariable("STARTMENU", session.workingTitle, kPreInitializationContext);
  variables.SetVariable("ALLUSERS", BoolText(AllUsersDefault(session.platform.system)), kPreInitializationContext);
}

std::pair<const std::string&, const std::string&> DateTimeTexts::Current(platform::Clock& clock) {
  const platform::LocalTime now = clock.Now();
  if (!cached_ || !now.SameSecond(time_)) {
    date_ = clock.FormatShortDate(now);
    clock_ = clock.FormatLongTime(now);
    time_ = now;
    cached_ = true;
  }
  return {date_, clock_};
}

PerLineRefresh::PerLineRefresh(Session& session, CacheRootFunction cacheRoot)
    : session_(session), cacheRoot_(std::move(cacheRoot)) {}

void PerLineRefresh::RefreshDateAndTime() {
  auto [date, time] = texts_.Current(session_.platform.clock);
  session_.variables.SetVariable("DATE", date, kInitializationContext);
  session_.variables.SetVariable("TIME", time, kInitializationContext);
}

void PerLineRefresh::LookUpLinks() {
  const LinkInputs& inputs = linkInputs_;
  if (!inputs.patch) {
    engineCache_ = cacheRoot_(session_, inputs.perMachine) + inputs.revisionCode + "\\";
    uninstallLink_ = engineCache_ + session_.executableFileName;
    return;
  }
  // The installed product's own program, wherever its instance lives.
  const bool machineWide = inputs.perMachine || !session_.platform.system.Version().ntFamily;
  uninstallLink_ = UninstallProgramPath(
      ReadRegistryText(session_.platform.registry, machineWide ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser,
               std::string(kUninstallKey) + inputs.keyText, "UninstallString"));
  engineCache_ = uninstallLink_.empty() ? std::string()
                                        : WithTrailingBackslashUnlessEmpty(FolderUpToBackslashOrColon(uninstallLink_));
}

void PerLineRefresh::RefreshInstanceLinks() {
  TVariableManager& variables = session_.variables;
  const bool patch = session_.payload.buildMode == 3;
  const bool perMachine = IsTrue(variables.GetVariable("ALLUSERS"));
  std::string keyText = variables.GetVariable(patch ? "TITLE" : "OVERRIDECACHE");
  const uint32_t now = session_.platform.clock.TickCount();
  const bool stale = !linksKnown_ || now - linksLookedUpAt_ >= kLinksLifetimeMs || patch != linkInputs_.patch ||
                     perMachine != linkInputs_.perMachine || keyText != linkInputs_.keyText ||
                     session_.payload.revisionCode != linkInputs_.revisionCode;
  if (stale) {
    linkInputs_ = {patch, perMachine, std::move(keyText), session_.payload.revisionCode};
    LookUpLinks();
    linksLookedUpAt_ = now;
    linksKnown_ = true;
  }
  if (patch) {
    variables.SetVariable("UNINSTALLLINK", uninstallLink_, kInitializationContext);
    variables.SetVariable("ENGINECACHE", engineCache_, kInitializationContext);
  } else {
    variables.SetVariable("ENGINECACHE", engineCache_, kInitializationContext);
    variables.SetVariable("UNINSTALLLINK", uninstallLink_, kInitializationContext);
  }
}

std::string UninstallProgramPath(std::string_view uninstallString) {
  std::string path(uninstallString);
  const size_t first = path.find('"');
  if (first == std::string::npos) return path;
  path.erase(first, 1);
  const size_t next = path.find('"', first);
  if (next != std::string::npos) path.erase(next);
  return path;
}

void SetPredefinedVariables(Session& session, PerLineRefresh& refresh, const std::string& packagePath) {
  TVariableManager& variables = session.variables;
  const CommandLineValues& commandLine = session.commandLine;
  const std::string userKey = session.platform.system.Version().ntFamily
                                  ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                                  : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  platform::Registry& registry = session.platform.registry;
  auto [date, time] = refresh.Texts().Current(session.platform.clock);

  // The order is the one scripts and trace logs have always seen.
  struct Entry {
    std::string_view name;
    std::string value;
    bool keepDefined = false;  // a value from the command line or the bootstrap stays
  };
  const std::vector<Entry> values = {
      {"VELD_COMPRESS_INSTALLER_CACHE", "TRUE"},
      {"VELD_DISABLE_ROLLBACK", "FALSE"},
      {"VELD_DISABLE_VISTA_RESTART_MANAGER", "FALSE"},
      {"IISHOST", "localhost"},
      {"OVERRIDECACHE", "", true},
      {"VELDLOGO", ""},
      {"SELECTED", "0"},
      {"WINDOWHANDLE", "0"},
      {"EXEFILE", session.executablePath},
      {"EXEDIR", session.executableFolder},
      {"PROGRESSTEXT", ""},
      {"PROGRESSMODE", ""},
      {"ABORT", "FALSE"},
      {"PROGRESS", "0"},
      {"LASTERROR", ""},
      {"LICENSE", "FALSE"},
      {"USERNAME", ReadRegistryText(registry, RegistryRoot::LocalMachine, userKey, "RegisteredOwner")},
      {"USERCOMPANY", ReadRegistryText(registry, RegistryRoot::LocalMachine, userKey, "RegisteredOrganization")},
      {"COPYWEBLOCK", ""},
      {"REBOOTCOMPUTER", "FALSE"},
      {"RUNAPP", "TRUE"},
      {"WIZARD", "NEXT"},
      {"VERSION", session.payload.displayVersion},
      {"SILENT", BoolText(session.silent)},
      {"LOGGED", session.trace.LogPath()},
      {"CMDLINE", commandLine.rawArguments},
      {"REBOOTNOW", "OK"},
      {"SFXPATH", WithTrailingBackslashUnlessEmpty(FolderUpToBackslashOrColon(commandLine.wrapperPath))},
      {"SFXFILE", FileNameAfterBackslashOrColon(commandLine.wrapperPath)},
      {"GPOPATH", WithTrailingBackslashUnlessEmpty(FolderUpToBackslashOrColon(commandLine.policyPath))},
      {"COMPLETE", "TRUE"},
      {"NEWLINE", "\r\n"},
      {"MINIMUM", "FALSE"},
      {"PERSONALIZED", "FALSE"},
      {"MODIFY", "TRUE"},
      {"REPAIR", "FALSE"},
      {"REMOVE", "FALSE"},
      {"ROOTDIR", session.executableFolder},
      {"TITLE", session.workingTitle},
      {"COMPANY", session.payload.publisher},
      {"ADVERTISE", "FALSE"},
      {"DATE", date},
      {"TIME", time},
      {"TEMPDIR", session.tempFolder},
      {"ABORTONERROR", "TRUE"},
      {"ABORTEDONERROR", "FALSE"},
      {"SAVEDATA", "FALSE"},
      {"SUPPORTDIR", session.supportFolder},
      {"MSIFILE", packagePath},
  };
  for (const Entry& entry : values) {
    if (entry.keepDefined && variables.VariableExists(entry.name)) continue;
    variables.SetVariable(entry.name, entry.value, kInitializationContext);
  }
}

}  // namespace quarrix

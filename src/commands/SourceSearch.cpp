#include "commands/SourceSearch.h"

#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "engine/PredefinedVariables.h"
#include "engine/ProgressModeScope.h"
#include "engine/Session.h"
#include "msi/InstanceRegistration.h"

namespace quarrix {
namespace {

constexpr int kLocateSourcesSlot = 17;

}  // namespace

std::string RegisteredEngineFolder(Session& session) {
  const bool perMachine = IsTrue(session.variables.GetVariable("ALLUSERS")) || !session.platform.system.Version().ntFamily;
  const platform::RegistryRoot root = perMachine ? platform::RegistryRoot::LocalMachine : platform::RegistryRoot::CurrentUser;
  std::string command = ReadRegistryText(session.platform.registry, root,
                                         kUninstallKey + session.variables.GetVariable("TITLE"), "UninstallString");
  if (command.empty()) return {};
  const size_t first = command.find('"');
  if (first != std::string::npos) command.erase(first, 1);
  const size_t second = command.find('"');
  if (second != std::string::npos) command.erase(second);
  return WithTrailingBackslash(FolderUpToBackslash(command));
}

bool HoldsSources(Session& session, const std::string& folder) {
  return !folder.empty() &&
         session.platform.files.FileExists(WithTrailingBackslash(folder) + session.run.productCodeAtStart);
}

bool LocateSources(Session& session) {
  if (session.silent) return false;
  const std::string title = session.messages.Text(kLocateSourcesSlot);
  const std::string windowHandle = session.variables.GetVariable("WINDOWHANDLE");
  const bool owned = !windowHandle.empty() && windowHandle != "0";
  ProgressModeScope paused(session, false);
  for (;;) {
    auto chosen = session.platform.ui.BrowseForFolder(title, owned);
    if (!chosen) return false;
    const std::string folder = WithTrailingBackslash(*chosen);
    if (HoldsSources(session, folder)) {
      session.dataFolder = folder;
      return true;
    }
    if (HoldsSources(session, folder + "data\\")) {
      session.dataFolder = folder + "data\\";
      return true;
    }
  }
}

}  // namespace quarrix

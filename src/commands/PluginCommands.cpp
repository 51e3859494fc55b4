// Plug-in calls: a line whose command is one of the script's plug-in commands runs the
// "RunTimeExecute" entry point of the library it names, on the script thread. The plug-in gets
// every variable as comma text and hands back the whole store.
#include <stdexcept>
#include <string>

#include "commands/CommandFamilies.h"
#include "commands/SourceSearch.h"
#include "common/AnsiText.h"
#include "common/IntegerSyntax.h"
#include "common/WindowsPath.h"
#include "engine/ScriptThread.h"
#include "engine/ProgressModeScope.h"
#include "engine/Session.h"
#include "engine/WizardCaption.h"
#include "media/FetchWebMedia.h"

namespace quarrix {
namespace {

constexpr int kAllMediaBuild = 1;
constexpr int kWebBuild = 2;
constexpr int kPatchBuild = 3;
constexpr int kSourcesRequiredSlot = 18;
constexpr int kGeneralFailureSlot = 19;
constexpr const char* kMissingLibraryText =
    "Unable to load plug-in library. Please rebuild your project and make sure all required plug-ins are "
    "installed.\r\rAction skipped";

// Parameters: 1 the plug-in data (passed on as stored), 2 the library: relative to the line's
// media folder, or a file name.
class PluginLine {
 public:
  explicit PluginLine(CommandContext& context)
      : context_(context), session_(context.session), variables_(context.session.variables) {}

  void Run() {
    if (FetchLineMedia(session_, context_.LineIndex())) {
      context_.EndScript();
      return;
    }
    const std::string library = LocateLibrary();
    if (!session_.platform.files.FileExists(library)) {
      ReportMissingLibrary();
      return;
    }
    const std::string result = Call(library);
    if (context_.run.ended) return;
    if (result.empty()) {
      if (IsTrue(variables_.GetVariable("ABORTONERROR")))
        throw std::runtime_error(session_.messages.Text(kGeneralFailureSlot));
      return;
    }
    variables_.ImportVariables(result);
  }

 private:
  std::string MediaEntry() const {
    const HashedStringList& media = session_.payload.lineMedia;
    return context_.LineIndex() < media.Count() ? std::string(media[context_.LineIndex()]) : std::string();
  }

  std::string InDataFolder() const { return session_.dataFolder + MediaEntry() + context_.Param(2); }

  std::string LocateLibrary() {
    if (MediaEntry().empty()) {
      // Plug-ins without media travel in the support archive, flat.
      const std::string named = context_.Param(2);
      const size_t slash = named.find_last_of('\\');
      return session_.supportFolder + (slash == std::string::npos ? named : named.substr(slash + 1));
    }
    const int buildMode = session_.payload.buildMode;
    // Run() had the web media driver fetch the block into the data folder.
    if (buildMode == kWebBuild) return InDataFolder();
    if (buildMode == kAllMediaBuild || session_.platform.files.FileExists(InDataFolder())) return AskWhenMissing();
    if (buildMode == kPatchBuild) FindPreviousSources();
    return AskWhenMissing();
  }

  // A patch looks for the media where the product was installed from.
  void FindPreviousSources() {
    std::string previous = RegisteredEngineFolder(session_);
    if (!session_.commandLine.sourcePath.empty()) previous = WithTrailingBackslash(session_.commandLine.sourcePath);
    if (HoldsSources(session_, session_.dataFolder)) previous = session_.dataFolder;
    // With nowhere to look, a relative library path would leave the choice of DLL to the
    // system's search order.
    if (!previous.empty()) session_.dataFolder = previous;
  }

  std::string AskWhenMissing() {
    if (session_.platform.files.FileExists(InDataFolder())) return InDataFolder();
    if (!LocateSources(session_) && IsTrue(variables_.GetVariable("ABORTONERROR")))
      throw std::runtime_error(session_.messages.Text(kSourcesRequiredSlot));
    return InDataFolder();
  }

  // Shown in silent runs too: a setup that lacks a plug-in was built wrong.
  void ReportMissingLibrary() {
    ProgressModeScope paused(session_, false);
    session_.platform.ui.ShowMessage(kMissingLibraryText, WizardCaption(session_.captionTitle, session_.logoFree),
                                     platform::MessageButtons::Ok, platform::MessageIcon::Error, OwnerWindow() != 0);
  }

  uint64_t OwnerWindow() const {
    const auto handle = ParseScriptInteger(variables_.GetVariable("WINDOWHANDLE"));
    return handle && *handle > 0 ? static_cast<uint64_t>(*handle) : 0;
  }

  // The text to import: what the plug-in returned, or the variables as they were.
  std::string Call(const std::string& library) {
    platform::PluginCall call;
    call.libraryPath = library;
    call.ownerWindow = OwnerWindow();
    call.variablesText = variables_.ExportVariables();
    call.pluginData = context_.Param(1);
    platform::PluginLibraries& plugins = session_.platform.plugins;
    WorkerOf<TScriptThread> worker(session_, std::move(call),
                                   [&plugins](const platform::PluginCall& inputs, const PluginProgress& progress) {
                                     return plugins.CallRunTimeExecute(inputs, progress);
                                   });
    const WaitOutcome outcome = WaitForWorker(session_, *worker);
    if (outcome.endScript) context_.EndScript();
    return worker->Result();
  }

  CommandContext& context_;
  Session& session_;
  TVariableManager& variables_;
};

void RunPluginLine(CommandContext& context) { PluginLine(context).Run(); }

constexpr CommandRow kPluginCallRow = {"plug-in call", RunPluginLine};

}  // namespace

const CommandRow& PluginCallRow() { return kPluginCallRow; }

}  // namespace quarrix

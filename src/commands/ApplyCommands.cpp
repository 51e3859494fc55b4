// "Apply Changes" and "Apply Patch": where the machine is changed. The script sees the outcome
// only through its result variable, LASTERROR and REBOOTCOMPUTER.
#include <string>

#include "commands/CommandFamilies.h"
#include "commands/SourceSearch.h"
#include "common/AnsiText.h"
#include "common/CommaText.h"
#include "common/WindowsPath.h"
#include "engine/PackageEdits.h"
#include "engine/PredefinedVariables.h"
#include "engine/ScriptRun.h"
#include "engine/Session.h"
#include "localisation/LanguageTable.h"
#include "msi/ApplyChanges.h"
#include "msi/InstanceRegistration.h"
#include "msi/PackageDatabase.h"

namespace quarrix {
namespace {

constexpr int kSourcesRequiredSlot = 18;
constexpr int kWebMediaBuild = 3;
constexpr int kWebMediaBlocksBuild = 2;

enum class ApplyKind { Changes, Patch };

class ApplyCommand {
 public:
  ApplyCommand(CommandContext& context, ApplyKind kind)
      : context_(context), session_(context.session), variables_(context.session.variables), kind_(kind) {}

  void Run() {
    FindPreviousSources();
    if (SourcesMissing() && MustLocateSources() && !LocateSources()) {
      variables_.SetVariable("LASTERROR", session_.messages.Text(kSourcesRequiredSlot), "Apply Changes Action");
      const size_t resultParameter = ResultParameter();
      const std::string written = context_.Param(resultParameter);
      if (!written.empty()) {
        const std::string name = StripReference(written);
        variables_.SetVariable(name.empty() ? written : name, "CANCEL", context_.ActionContext());
      }
      return;
    }
    const std::string tempFolder = WithTrailingBackslash(session_.platform.system.TempPath());
    QueueInstallerProperty(session_.run, "MSINTEMP", tempFolder);
    session_.run.actionList.push_back("MSINTEMP");
    session_.run.actionList.push_back(tempFolder);

    ApplyInputs inputs;
    inputs.productCode = session_.payload.productCode;
    inputs.dataFolder = session_.dataFolder;
    inputs.previousSourceFolder = previousSourceFolder_;
    std::string dialogFolder;
    if (kind_ == ApplyKind::Patch) {
      inputs.patch = true;
      inputs.packagePath = PatchPackagePath(session_.run.packagePath);
      inputs.previousSourceFolder = session_.dataFolder;
    } else {
      inputs.packagePath = session_.run.packagePath;
      inputs.install = context_.Truth(3);
      inputs.advertise = !context_.Truth(3) && !context_.Truth(4);
      inputs.install = inputs.install || inputs.advertise;
      LocalizePackage();
      dialogFolder = session_.supportFolder;
    }
    inputs.variablesText = variables_.ExportVariables();
    inputs.propertiesText = ToCommaText(session_.run.actionList);
    inputs.installLocation = NormalizePath(variables_, variables_.GetVariable("TARGETDIR"));

    const ApplyResult result = RunApplyChanges(session_, inputs, dialogFolder);
    if (!result.errorText.empty()) variables_.SetVariable("LASTERROR", result.errorText, context_.ActionContext());
    WriteResult(result.outcome);
    const bool completed =
        result.outcome == ApplyOutcome::Complete || result.outcome == ApplyOutcome::CompleteRestartNeeded;
    if (kind_ == ApplyKind::Changes && completed) {
      RegisterInstance(session_, ModeOf(inputs), session_.run.packageEdits.transformedPackagePath);
    }
  }

 private:
  size_t ResultParameter() const { return kind_ == ApplyKind::Changes ? 2 : 1; }

  static ApplyMode ModeOf(const ApplyInputs& inputs) {
    if (inputs.advertise) return ApplyMode::Advertise;
    return inputs.install ? ApplyMode::Install : ApplyMode::Remove;
  }

  bool HoldsSources(const std::string& folder) const { return quarrix::HoldsSources(session_, folder); }

  void FindPreviousSources() {
    previousSourceFolder_ = RegisteredEngineFolder(session_);
    if (!session_.commandLine.sourcePath.empty())
      previousSourceFolder_ = WithTrailingBackslash(session_.commandLine.sourcePath);
    if (session_.payload.buildMode == kWebMediaBuild && !HoldsSources(previousSourceFolder_) &&
        HoldsSources(session_.dataFolder))
      previousSourceFolder_ = session_.dataFolder;
  }

  bool SourcesMissing() const {
    return session_.payload.buildMode == kWebMediaBuild ? !HoldsSources(previousSourceFolder_)
                                                        : !HoldsSources(session_.dataFolder);
  }

  bool MustLocateSources() const {
    if (session_.payload.buildMode == kWebMediaBlocksBuild) return false;
    return kind_ == ApplyKind::Patch || (IsTrue(variables_.GetVariable("MAINTENANCE")) && context_.Truth(3));
  }

  // Asks the user until a folder holds the sources; false when cancelled (always when silent).
  bool LocateSources() { return quarrix::LocateSources(session_); }

  void LocalizePackage() {
    const std::string language = variables_.GetVariable("LANGUAGE");
    if (language.empty()) return;
    QueueInstallerProperty(session_.run, "ProductLanguage", LanguageLcid(language));
    platform::Installer& installer = session_.platform.installer;
    const PackageEdits& edits = session_.run.packageEdits;
    LocalizeShortcutTable(installer, session_.run.packagePath, edits.shortcutLocalisations);
    LocalizeProgIdTable(installer, session_.run.packagePath, edits.progIdLocalisations);
  }

  void WriteResult(ApplyOutcome outcome) {
    const size_t n = ResultParameter();
    if (context_.Param(n).empty()) return;
    const char* text = "ERROR";
    switch (outcome) {
      case ApplyOutcome::Error: text = "ERROR"; break;
      case ApplyOutcome::Cancelled: text = "CANCEL"; break;
      case ApplyOutcome::Complete: text = "COMPLETE"; break;
      case ApplyOutcome::CompleteRestartNeeded:
        text = "REBOOT";
        variables_.SetVariable("REBOOTCOMPUTER", "TRUE", context_.ActionContext());
        break;
    }
    context_.SetDeclaredResult(n, text);
  }

  CommandContext& context_;
  Session& session_;
  TVariableManager& variables_;
  ApplyKind kind_;
  std::string previousSourceFolder_;
};

void ApplyChanges(CommandContext& context) { ApplyCommand(context, ApplyKind::Changes).Run(); }
void ApplyPatch(CommandContext& context) { ApplyCommand(context, ApplyKind::Patch).Run(); }

constexpr CommandRow kRows[] = {
    {"Apply Changes", ApplyChanges, DeclareOnly<2>},
    {"Apply Patch", ApplyPatch, DeclareOnly<1>},
};

}  // namespace

std::span<const CommandRow> ApplyCommandRows() { return kRows; }

}  // namespace quarrix

#include "msi/MsiThread.h"

#include <exception>
#include <utility>

#include "common/AnsiText.h"
#include "common/WindowsPath.h"
#include "engine/InstanceCache.h"
#include "engine/ProgressModeScope.h"
#include "engine/Session.h"
#include "engine/WizardCaption.h"
#include "msi/HandshakeFile.h"
#include "msi/InstallerCommandLine.h"
#include "msi/InstallerMessageHandler.h"
#include "msi/InstallerRegistration.h"
#include "msi/PackageDatabase.h"

namespace quarrix {
namespace {

// Everything the installer can log, also the property dump and the extra debug lines.
constexpr uint32_t kInstallerLogMode = 0x3FDF;
constexpr uint32_t kBusyRetryMs = 3141;
constexpr int kGeneralFailureSlot = 19;

// The system's text of a result code without the blanks, line breaks and periods it ends with.
std::string ResultText(platform::SystemInfo& system, unsigned code) {
  std::string text = system.SystemErrorText(code).value_or(std::string());
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.'))
    text.pop_back();
  return text;
}

// The installer's own log taken into the trace log in the trace log's encoding, so that the file
// stays one readable text: an ANSI log (Wine's, with LF line ends) is written as trace text with
// CR LF, a UTF-16 one goes in without its byte-order mark.
void AppendInstallerLog(TraceLog& trace, const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    trace.AppendBytes(std::string_view(bytes).substr(2));
    return;
  }
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 16);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) text += '\r';
    text += bytes[i];
  }
  if (!text.empty() && text.back() != '\n') text += "\r\n";
  trace.WriteBlock(text);
}

bool IsSuccess(unsigned result) {
  return result == platform::kInstallerSuccess || result == platform::kInstallerRebootRequired ||
         result == platform::kInstallerRebootInitiated;
}

}  // namespace

TMSIThread::TMSIThread(WorkerKey key, Session& session, ApplyInputs inputs)
    : Worker(key, session), session_(session), inputs_(std::move(inputs)) {
  handshakePath_ = HandshakeFilePath(session.tempFolder, inputs_.productCode);
  if (!session.trace.LogPath().empty()) installerLogPath_ = handshakePath_ + ".log";
}

void TMSIThread::Execute() {
  try {
    Apply();
  } catch (const std::exception& error) {
    // A missing installer library, or a platform failure: the apply fails with its text.
    outputs_.error = true;
    if (outputs_.errorText.empty()) outputs_.errorText = error.what();
  }
  session_.platform.installer.SetExternalUI({}, 0);
  if (outputs_.error && outputs_.errorText.empty()) outputs_.errorText = outputs_.lastInstallerMessage;
  if (outputs_.error && outputs_.errorText.empty()) outputs_.errorText = session_.messages.Text(kGeneralFailureSlot);
  const size_t dot = outputs_.errorText.find('.');
  if (dot != std::string::npos && dot + 1 == outputs_.errorText.size()) outputs_.errorText.pop_back();
  session_.platform.files.RemoveFile(handshakePath_);
  session_.variables.StoreVariable(kThFinished, "TRUE");
}

void TMSIThread::Apply() {
  platform::Platform& machine = session_.platform;
  TVariableManager& variables = session_.variables;
  const bool ntPlatform = machine.system.Version().ntFamily;
  const bool removal = !inputs_.patch && !inputs_.install;

  ClearTempPackages(machine.registry, inputs_.productCode);
  const InstallerFolders folders =
      PrepareInstallerFolders(machine.files, inputs_.packagePath, inputs_.dataFolder, inputs_.previousSourceFolder);
  ReportProgress(kInstallerProgressText, 0, 100, 0);

  HandshakeInputs handshakeInputs;
  handshakeInputs.patch = inputs_.patch;
  handshakeInputs.install = inputs_.install;
  handshakeInputs.dataFolder = folders.dataFolder;
  handshakeInputs.previousSourceFolder = folders.previousSourceFolder;
  handshakeInputs.mediaPath = folders.mediaPath;
  handshakeInputs.propertiesText = inputs_.propertiesText;
  handshakeInputs.variablesText = inputs_.variablesText;
  const HandshakeFile handshake = BuildHandshakeFile(variables, machine.files, handshakeInputs);
  machine.files.WriteFile(handshakePath_, handshake.text);

  ReportProgress(kInstallerProgressText, 0, 100, 50);
  if (!inputs_.patch) {
    ApplyQueuedProperties(machine.installer, machine.system, session_.run.packageEdits, inputs_.packagePath,
                          {inputs_.productCode, session_.payload.revisionCode});
  }
  ReportProgress(kInstallerProgressText, 0, 100, 100);
  SetPackagePlatform(machine.installer, inputs_.packagePath, session_.run.platformMode);
  SetPackageWordCount(machine.installer, inputs_.packagePath);

  CommandLineInputs line;
  line.kind = {inputs_.patch, inputs_.install, inputs_.advertise};
  line.productInstalled = machine.installer.QueryProductState(inputs_.productCode) == platform::kInstallStateDefault;
  if (variables.GetVariable(kThCancelled) == "TRUE") return;  // nothing is installed

  WriteTraceHeader(folders);

  InstallerMessageHandler handler(machine.ui);
  handler.silent = handshake.silent.value_or(session_.silent);
  handler.caption = handshake.caption.value_or(variables.GetVariable("TITLE"));
  const std::string windowHandle = variables.GetVariable("WINDOWHANDLE");
  handler.ownedByWindow = !windowHandle.empty() && windowHandle != "0";
  handler.texts = InstallerMessageTexts::From(session_.messages);
  Session& session = session_;
  handler.progressMode.enter = [&session](std::string_view mode) { SetProgressMode(session, true, mode == "ERROR"); };
  handler.progressMode.restore = [&session] { SetProgressMode(session, false, false); };
  const InstallerProgressReporter reporter = [&variables](const std::string& text, int64_t position, int64_t total,
                                                          int64_t minimum) {
    return ReportInstallerProgress(variables, text, position, total, minimum);
  };
  machine.installer.SetInternalUI(platform::kInstallUiLevelNone | platform::kInstallUiLevelSourceResOnly);
  machine.installer.SetExternalUI(
      [&handler, &reporter](uint32_t code, const std::string& text) { return handler.Handle(code, text, &reporter); },
      kInstallerMessageFilter);

  if (removal) {
    RedirectSourceList(machine.registry, ntPlatform, inputs_.productCode, folders.packageFolder,
                       folders.dataFolder, folders.mediaPath);
  }

  if (line.productInstalled && inputs_.install && !inputs_.advertise) {
    const std::string instanceFolder = session_.run.instanceCache->CacheRoot(session_, IsTrue(variables.GetVariable(
                                           "ALLUSERS"))) + session_.payload.revisionCode + "\\";
    line.advertisedMarker = machine.files.DirectoryExists(instanceFolder + "__ad");
  }
  line.ntPlatform = ntPlatform;
  line.allUsers = variables.GetVariable("ALLUSERS");
  line.disableRollback = variables.GetVariable("VELD_DISABLE_ROLLBACK");
  line.disableRestartManager = variables.GetVariable("VELD_DISABLE_VISTA_RESTART_MANAGER");
  line.installLocation = inputs_.installLocation;
  line.folders = folders;

  if (!installerLogPath_.empty()) {
    machine.files.RemoveFile(installerLogPath_);
    machine.installer.EnableLog(kInstallerLogMode, installerLogPath_,
                                platform::kInstallLogAppend | platform::kInstallLogFlushEachLine);
  }
  if (removal && !ntPlatform) {
    RemoveOnWindows9x(line);
  } else {
    RunInstaller(BuildInstallerCommandLine(line));
  }
  outputs_.lastInstallerMessage = handler.LastMessage();
  if (!installerLogPath_.empty()) {
    machine.installer.EnableLog(0, std::string(), 0);
    if (auto log = machine.files.ReadFile(installerLogPath_)) AppendInstallerLog(session_.trace, *log);
    machine.files.RemoveFile(installerLogPath_);
  }
}

unsigned TMSIThread::RunInstaller(const std::string& commandLine) {
  platform::Installer& installer = session_.platform.installer;
  if (!inputs_.patch) {
    const unsigned result = RetryWhileBusy([&] { return installer.InstallProduct(inputs_.packagePath, commandLine); });
    TakeResult(result);
    return result;
  }
  const std::string account = session_.platform.system.ProcessAccountName();
  installer.SourceListAddSource(inputs_.productCode, std::string(), inputs_.previousSourceFolder);
  installer.SourceListAddSource(inputs_.productCode, account, inputs_.previousSourceFolder);
  const unsigned result = installer.ApplyPatch(inputs_.packagePath, commandLine);
  TakeResult(result);
  return result;
}

unsigned TMSIThread::RetryWhileBusy(const std::function<unsigned()>& call) {
  std::string dots;
  for (;;) {
    const unsigned result = call();
    if (result != platform::kInstallerAlreadyRunning) return result;
    dots = dots == "..." ? "." : dots + ".";
    ReportProgress(kInstallerProgressText + dots, 0, 100, 100);
    session_.platform.clock.Sleep(kBusyRetryMs);
    if (session_.variables.GetVariable(kThCancelled) == "TRUE") return result;
  }
}

unsigned TMSIThread::RemoveOnWindows9x(const CommandLineInputs& line) {
  std::unique_ptr<platform::InstallerPackage> package = session_.platform.installer.OpenPackage(inputs_.packagePath);
  if (!package) {
    TakeResult(platform::kInstallerPackageOpenFailed);
    return platform::kInstallerPackageOpenFailed;
  }
  for (const auto& [name, value] : Windows9xRemovalProperties(line)) package->SetProperty(name, value);
  const unsigned result = RetryWhileBusy([&] { return package->DoAction("INSTALL"); });
  if (result == platform::kInstallerSuccess) {
    if (package->GetMode(platform::kInstallRunModeRebootAtEnd) || package->GetMode(platform::kInstallRunModeRebootNow))
      outputs_.reboot = true;
  } else {
    outputs_.error = true;
    outputs_.errorText = ResultText(session_.platform.system, result);
  }
  return result;
}

void TMSIThread::TakeResult(unsigned result) {
  if (result == platform::kInstallerSuccess) return;
  if (IsSuccess(result)) {
    outputs_.reboot = true;
    return;
  }
  outputs_.error = true;
  outputs_.errorText = ResultText(session_.platform.system, result);
}

void TMSIThread::WriteTraceHeader(const InstallerFolders& folders) {
  TraceLog& trace = session_.trace;
  if (trace.LogPath().empty()) return;
  session_.platform.files.CreateDirectories(FolderUpToBackslash(trace.LogPath()));
  platform::Clock& clock = session_.platform.clock;
  const platform::LocalTime now = clock.Now();
  std::string header = "=== " + WizardCaption(session_.captionTitle, session_.logoFree) +
                       ": Applying Changes @" + clock.FormatShortDate(now) + " " + clock.FormatLongTime(now) +
                       " ===\r\n\r\n";
  const std::pair<const char*, const std::string*> sections[] = {
      {"*** Variables ***", &inputs_.variablesText},   {"*** Properties ***", &inputs_.propertiesText},
      {"*** MSI Database ***", &inputs_.packagePath},  {"*** GUID ***", &inputs_.productCode},
      {"*** Data Directory ***", &folders.dataFolder}, {"*** Media Directory ***", &folders.mediaPath},
      {"*** MSI Directory ***", &folders.packageFolder},
  };
  for (const auto& [heading, value] : sections) header += std::string(heading) + "\r\n" + *value + "\r\n\r\n";
  header += "\r\n";
  trace.WriteBlock(header);
}

}  // namespace quarrix

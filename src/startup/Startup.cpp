#include "startup/Startup.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "commands/EngineCommands.h"
#include "common/WindowsPath.h"
#include "engine/FolderCleanup.h"
#include "engine/ProcessExit.h"
#include "engine/ScriptRun.h"
#include "engine/TraceTags.h"
#include "engine/WizardCaption.h"
#include "instance/EndOfRunSave.h"
#include "instance/EngineInstanceCache.h"
#include "localisation/LanguageFile.h"
#include "media/ArchiveExtraction.h"
#include "engine/AppendedData.h"
#include "startup/PayloadReader.h"
#include "ui/BuiltInForms.h"
#include "ui/DialogEngine.h"
#include "ui/FormParser.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;
using platform::RegistryView;

constexpr const char* kArchiveLibraryName = "zvk.lib";
constexpr const char* kLanguageFileName = "lang.loc";
constexpr const char* kDialogCommand = "Display Dialog";
constexpr const char* kVistaCompatibilityKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted";
constexpr uint32_t kVistaCompatibilityValue = 32;

// The library stays bound for the whole process, as a load-time import would be.
class LibraryBinding {
 public:
  explicit LibraryBinding(platform::ArchiveLibrary& library) : library_(library) {}
  ~LibraryBinding() {
    if (library_.IsLoaded()) library_.Unload();
  }
  LibraryBinding(const LibraryBinding&) = delete;
  LibraryBinding& operator=(const LibraryBinding&) = delete;

 private:
  platform::ArchiveLibrary& library_;
};

void ShowError(Session& session, const std::string& text, bool ownedByWindow = false) {
  if (session.silent) return;
  session.platform.ui.ShowMessage(text, WizardCaption(session.captionTitle, session.logoFree),
                                  platform::MessageButtons::Ok, platform::MessageIcon::Error, ownedByWindow);
}

[[noreturn]] void FailStartup(Session& session, int slot, int exitCode) {
  ShowError(session, session.messages.Text(slot));
  throw ProcessExit{exitCode};
}

// Keeps the compatibility assistant from second-guessing a setup program; best effort only.
void WriteCompatibilityMarks(Session& session, const std::string& executablePath) {
  const platform::WindowsVersion version = session.platform.system.Version();
  platform::Registry& registry = session.platform.registry;
  try {
    if (version.major > 6 || (version.major == 6 && version.minor >= 1)) {
      const std::string key = "Applications\\" + FileNameAfterBackslashOrColon(executablePath);
      registry.WriteValue(RegistryRoot::ClassesRoot, key, "IsHostApp", RegistryValue::Text(""), RegistryView::Default);
    } else if (version.major == 6 && version.minor == 0) {
      registry.WriteValue(RegistryRoot::CurrentUser, kVistaCompatibilityKey, executablePath,
                          RegistryValue::Number(kVistaCompatibilityValue), RegistryView::Default);
    }
  } catch (const std::exception&) {
    // Ignored: the marks only spare the user a compatibility prompt.
  }
}

void LocateExecutable(Session& session) {
  session.executablePath = session.platform.system.ExecutablePath();
  session.executableFolder = FolderUpToBackslashOrColon(session.executablePath);
  session.executableFileName = FileNameAfterBackslashOrColon(session.executablePath);
  session.executableName = FileNameWithoutExtension(session.executableFileName);
}

void PrepareTempFolder(Session& session) {
  session.tempFolder = WithTrailingBackslash(session.platform.system.TempPath());
  if (!session.platform.files.DirectoryExists(session.tempFolder))
    session.platform.files.CreateDirectories(session.tempFolder);
}

// The language file rides behind the archive library's image; a missing or unreadable one
// leaves the English defaults in place.
void LoadStartupLanguage(Session& session) {
  platform::FileSystem& files = session.platform.files;
  const std::string libraryPath = session.executableFolder + kArchiveLibraryName;
  if (!session.platform.archive.Load(libraryPath)) return;
  const std::string languageFile = session.tempFolder + kLanguageFileName;
  try {
    if (ExtractAppendedData(files, libraryPath, languageFile))
      LoadLanguageFile(session.messages, files, session.platform.system, languageFile);
  } catch (const std::exception&) {
    // Ignored: start-up goes on with the table it has.
  }
  if (files.FileExists(languageFile)) files.RemoveFile(languageFile);
}

void ReadCommandLine(Session& session) {
  session.commandLine = ParseCommandLine(session.platform.system.CommandLine());
  session.silent = session.commandLine.silent;
  session.trace.SetLogPath(session.commandLine.logPath);
  session.variables.SetSilent(session.commandLine.silent);
  session.variables.SetCommandLineAssignments(session.commandLine.assignments);
}

void ReadScript(Session& session) {
  if (!ReadPayload(session.platform.files, session.trace, session.executablePath, session.tempFolder,
                   session.payload)) {
    // Fixed text: a bare engine is not a setup, whatever language the user speaks.
    ShowError(session, "For internal use only");
    throw ProcessExit{kExitNoPayload};
  }
  session.parameterLists.clear();
  session.parameterLists.push_back(std::move(session.payload.parameterList));
  session.payload.parameterList.Clear();
  session.workingTitle = session.payload.title;
  session.titleAsRead = session.payload.title;
}

// Only an existing folder takes a number; a file of that name does not, so creating the
// folder over it fails and that is reported rather than reusing or deleting the file.
void CreateSupportFolder(Session& session) {
  session.trace.WriteTrace(kTagSupportDirOpen);
  platform::FileSystem& files = session.platform.files;
  std::string candidate;
  for (unsigned number = 1;; ++number) {
    candidate = session.tempFolder + "zvk" + std::to_string(number);
    if (!files.DirectoryExists(candidate)) break;
  }
  session.supportFolder = candidate + "\\";
  if (!files.CreateDirectories(session.supportFolder))
    throw std::runtime_error("Unable to create the support folder " + session.supportFolder);
  session.trace.WriteTrace(kTagSupportDirClose);
}

void ExtractSupportArchive(Session& session) {
  session.trace.WriteTrace(kTagExtractArchiveOpen);
  if (!session.platform.files.FileExists(session.archivePath))
    FailStartup(session, kSlotResourceNotFound, kExitArchiveMissing);
  platform::ArchiveLibrary& library = session.platform.archive;
  std::string errorText;
  const bool extracted = library.IsLoaded() &&
                         ExtractArchiveFiles(library, session.archivePath, "", session.supportFolder,
                                             /*modeSwitch=*/true, /*overwrite=*/true, errorText);
  if (!extracted) FailStartup(session, kSlotDecompressionFailure, kExitArchiveNotExtracted);
  session.trace.WriteTrace(kTagExtractArchiveClose);
}

void CheckInstallerPackage(Session& session) {
  session.trace.WriteTrace(kTagExtractResourceOpen);
  platform::FileSystem& files = session.platform.files;
  const std::string base = session.executableFolder + session.executableName;
  if (!files.FileExists(base + ".msi") && !files.FileExists(base + ".msp"))
    FailStartup(session, kSlotDatabaseNotFound, kExitPackageMissing);
  session.trace.WriteTrace(kTagExtractResourceClose);
}

// One of the two sources is normally absent; its copy failing is expected.
void CopyInstallerPackages(Session& session) {
  session.trace.WriteTrace(kTagResourcePathOpen);
  platform::FileSystem& files = session.platform.files;
  for (const char* extension : {".msi", ".msp"}) {
    const std::string source = session.executableFolder + session.executableName + extension;
    const std::string target = session.supportFolder + session.executableName + extension;
    if (files.Copy(source, target, /*overwrite=*/true)) files.SetAttributesNormal(target);
  }
  session.trace.WriteTrace(kTagResourcePathClose);
}

bool IsDialogLine(const ScriptPayload& payload, size_t line) {
  const bool commented = line < payload.commentFlags.Count() && payload.commentFlags[line] == "C";
  return payload.commandNames[line] == kDialogCommand && !commented;
}

// One hidden window per dialog line, silent runs included: a missing or broken dialog file
// stops start-up before the script runs.
void PrecreateDialogs(Session& session, ui::DialogEngine& dialogs) {
  session.trace.WriteTrace(kTagDialogsOpen);
  int count = 0;
  for (size_t line = 0; line < session.payload.LineCount(); ++line)
    if (IsDialogLine(session.payload, line)) ++count;
  session.dialogCount = count;
  if (session.loadDialogFiles) {
    dialogs.Start(session.supportFolder);
    dialogs.State().onReport = session.onDialogReport;
    for (size_t line = 0; line < session.payload.LineCount(); ++line) {
      if (!IsDialogLine(session.payload, line)) continue;
      const std::string name = GetLineParameter(session.parameterLists, session.payload.lineGuids.At(line), 1);
      dialogs.LoadDialog(std::to_string(line), session.supportFolder + name + ".dfm");
    }
    session.dialogs = &dialogs;
  }
  session.trace.WriteTrace(kTagDialogsClose);
}

void RunScript(Session& session) {
  session.trace.WriteTrace(kTagRunScriptOpen);
  EngineInstanceCache instanceCache;
  ExecuteScript(session, RunRequest{.packagePath = session.supportFolder + session.executableName + ".msi",
                                    .commands = EngineCommands(),
                                    .instanceCache = instanceCache});
  SaveInstanceAtEndOfRun(session);
  session.trace.WriteTrace(kTagRunScriptClose);
}

// Steps that run between reading the payload and the end of the script; any failure here
// becomes exit code 11 after the support folder is removed.
void RunGuardedSteps(Session& session) {
  ReadScript(session);
  CreateSupportFolder(session);
  ExtractSupportArchive(session);
  CheckInstallerPackage(session);
  CopyInstallerPackages(session);
  session.dataFolder = session.executableFolder + "data\\";
  ui::DialogEngine dialogs(session, ui::ParseForm);
  ui::BuiltInForms forms(session);
  PrecreateDialogs(session, dialogs);
  session.trace.WriteTrace(kTagSetupSplashClose);
  RunScript(session);
  FreeScriptTables(session);
}

void RemoveSupportFolder(Session& session) {
  session.trace.WriteTrace(kTagCachedSupportDirOpen);
  if (!session.supportFolder.empty() && session.platform.files.DirectoryExists(session.supportFolder))
    RemoveFolderTree(session.platform.files, session.supportFolder);
  session.trace.WriteTrace(kTagCachedSupportDirClose);
  session.trace.WriteTrace(kTagQuarrixClose);
}

}  // namespace

int RunStartup(Session& session) {
  LibraryBinding libraryBinding(session.platform.archive);
  WriteCompatibilityMarks(session, session.platform.system.ExecutablePath());
  session.platform.system.BindToFirstProcessor();
  session.supportFolder.clear();
  LocateExecutable(session);
  PrepareTempFolder(session);
  LoadStartupLanguage(session);
  session.archivePath = session.executableFolder + session.executableName + ".res";
  ReadCommandLine(session);
  session.trace.WriteTrace(kTagQuarrixOpen);
  session.trace.WriteTrace(kTagSetupSplashOpen);
  // The splash and preparation windows open here (unless silent or updating) once the wizard
  // user interface exists; until then start-up runs without windows and its boxes stand alone.

  try {
    RunGuardedSteps(session);
  } catch (const ProcessExit& exit) {
    session.exitCode = exit.code;
    return exit.code;
  } catch (const std::exception& error) {
    ShowError(session, session.messages.Text(kSlotRuntimeError) + error.what());
    session.exitCode = kExitRuntimeError;
  } catch (...) {
    ShowError(session, session.messages.Text(kSlotRuntimeError));
    session.exitCode = kExitRuntimeError;
  }

  RemoveSupportFolder(session);
  return session.exitCode;
}

int RunStartup(platform::Platform& platform) {
  Session session(platform);
  return RunStartup(session);
}

}  // namespace quarrix

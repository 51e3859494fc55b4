// qx run: a setup's start-up and script on the simulated machine, with a synthetic engine image
// carrying the payload, and the final variables printed.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "PackageBuild.h"
#include "QxCommands.h"
#include "common/CommaText.h"
#include "common/WindowsPath.h"
#include "instance/CacheRoot.h"
#include "msi/InstanceRegistration.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimMachineStore.h"
#include "platform/sim/SimProcessStore.h"
#include "startup/PayloadWriter.h"
#include "engine/Session.h"
#include "startup/Startup.h"
#include "engine/WizardCaption.h"

namespace quarrix::qx {
namespace {

namespace fs = std::filesystem;
using platform::sim::SimMachine;

struct RunOptions {
  std::string script;
  SimulatedRun run;
  std::string package;  // --package; empty: the project's, if any
  std::string support;  // --support; empty: the .res beside a setup executable, if any
};

RunOptions ParseRunArguments(Arguments arguments) {
  RunOptions options;
  bool haveScript = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") {
      options.run.engineArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
      break;
    }
    if (argument == "--machine" || argument == "--answers" || argument == "--package" || argument == "--support") {
      if (i + 1 == arguments.size()) throw InputError("run: " + argument + " needs a value");
      const std::string& value = arguments[++i];
      if (argument == "--machine")
        options.run.machineFolder = value;
      else if (argument == "--package")
        options.package = value;
      else if (argument == "--support")
        options.support = value;
      else
        options.run.answers = FromCommaText(value);
    } else if (argument.size() > 1 && argument[0] == '-') {
      throw InputError("run: unknown option " + argument);
    } else if (haveScript) {
      throw InputError("run: unexpected argument " + argument);
    } else {
      options.script = argument;
      haveScript = true;
    }
  }
  if (!haveScript) throw InputError("run: missing argument (see 'qx help run')");
  if (!options.package.empty() && !fs::is_regular_file(options.package))
    throw InputError("run: package " + options.package + " not found");
  if (!options.support.empty() && !fs::is_directory(options.support))
    throw InputError("run: support folder " + options.support + " not found");
  return options;
}

void PutLittleEndian(std::string& bytes, size_t at, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Just enough of a PE32 image for the stub-size rule: headers, then one section of raw data.
std::string SyntheticEngineImage() {
  constexpr size_t kNewHeaderAt = 0x80;
  constexpr size_t kFileHeaderAt = kNewHeaderAt + 4;
  constexpr uint16_t kOptionalHeaderSize = 224;
  constexpr size_t kSectionTableAt = kFileHeaderAt + 20 + kOptionalHeaderSize;
  constexpr uint32_t kSectionAt = 0x200;
  constexpr uint32_t kSectionSize = 0x200;
  std::string image(kSectionAt + kSectionSize, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  PutLittleEndian(image, 60, kNewHeaderAt, 4);
  image.replace(kNewHeaderAt, 4, std::string("PE\0\0", 4));
  PutLittleEndian(image, kFileHeaderAt + 2, 1, 2);
  PutLittleEndian(image, kFileHeaderAt + 16, kOptionalHeaderSize, 2);
  image.replace(kSectionTableAt, 8, std::string(".text\0\0\0", 8));
  PutLittleEndian(image, kSectionTableAt + 16, kSectionSize, 4);
  PutLittleEndian(image, kSectionTableAt + 20, kSectionAt, 4);
  return image;
}

// An empty 7z archive: the signature header announcing no next header (its start-header CRC is
// that of the twenty zero bytes that follow it).
constexpr std::string_view kEmptyArchive{"7z\xBC\xAF\x27\x1C\x00\x04\x8D\x9B\xD5\x0F" "\0\0\0\0\0\0\0\0\0\0"
                                         "\0\0\0\0\0\0\0\0\0\0", 32};

// The setup folder start-up expects: engine with payload, archive library, support archive and
// package. The support archive is a real, empty one: the script's dialogs are answered by the
// headless interface, and every archive the script reads goes through the real reader.
// The package beside the engine: --package, else the project's package.msi or package.msp
// beside the script, else its package.wxs built as qx build builds it. Sets the patch flag.
std::optional<std::string> FindPackage(const RunOptions& options, const ScriptPayload& payload, bool& patch) {
  patch = false;
  if (!options.package.empty()) {
    patch = fs::path(options.package).extension() == ".msp";
    return ReadHostFile(options.package);
  }
  const fs::path project = fs::path(options.script).parent_path();
  for (const char* name : {"package.msi", "package.msp"}) {
    if (!fs::is_regular_file(project / name)) continue;
    patch = fs::path(name).extension() == ".msp";
    return ReadHostFile((project / name).string());
  }
  if (!fs::is_regular_file(project / "package.wxs")) return std::nullopt;
  std::string pattern = (fs::temp_directory_path() / "qx-run-package-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw InputError("run: cannot create a scratch folder");
  struct Scratch {
    fs::path path;
    ~Scratch() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } scratch{pattern};
  const BuiltPackage built = BuildPackage(project / "package.wxs", scratch.path, payload.productCode,
                                          payload.revisionCode);
  return ReadHostFile(built.package.string());
}

void PlaceSetup(SimMachine& machine, const ScriptPayload& payload, const SimulatedRun& setup) {
  const std::optional<std::string>& package = setup.package;
  const bool patch = setup.packageIsPatch;
  const std::string executable = machine.system.executablePath;
  const std::string folder = FolderUpToBackslash(executable);
  const std::string base = FileNameWithoutExtension(FileNameAfterBackslash(executable));
  const std::string engine = SyntheticEngineImage();
  machine.files.CreateDirectories(folder);
  machine.files.WriteFile(executable, engine + WritePayload(payload));
  machine.files.WriteFile(folder + "zvk.lib", engine);
  machine.files.WriteFile(folder + base + ".res", setup.supportArchive.value_or(std::string(kEmptyArchive)));
  if (package)
    machine.files.WriteFile(folder + base + (patch ? ".msp" : ".msi"), *package);
  else if (!machine.files.FileExists(folder + base + ".msp"))
    machine.files.WriteFile(folder + base + ".msi", "");
}

std::string QuotedArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  return "\"" + argument + "\"";
}

void SetCommandLine(SimMachine& machine, const std::vector<std::string>& engineArguments) {
  std::string line = "\"" + machine.system.executablePath + "\"";
  for (const std::string& argument : engineArguments) line += " " + QuotedArgument(argument);
  machine.system.commandLine = line;
}

// A restart recorded by an earlier run happens now: Windows starts again and runs the RunOnce
// entries, and the one that names this setup is this run, with the entry's arguments.
void ResumeAfterRestart(SimMachine& machine) {
  const std::string& executable = machine.system.executablePath;
  for (const std::string& command : platform::sim::RestartIfRequested(machine)) {
    const bool quoted = StartsWith(command, "\"");
    const std::string program = quoted ? platform::sim::ProgramOfCommandLine(command) : command.substr(0, executable.size());
    if (!EqualsIgnoreCase(program, executable)) {
      platform::ProgramStart start;
      start.commandLine = command;
      machine.processes.Create(start);
      continue;
    }
    const std::string arguments = command.substr(quoted ? program.size() + 2 : program.size());
    machine.system.commandLine = "\"" + executable + "\"" + arguments;
    const std::string note = "qx run: the machine restarted; its RunOnce entry resumes the setup: " + command + "\n";
    std::fputs(note.c_str(), stderr);
  }
}

// With dialog files the simulated user acts on the real dialogs; the stand-in only knows
// navigation results. "BOX:button" answers go to the message boxes, in their own order.
void QueueAnswers(SimMachine& machine, const std::vector<std::string>& answers, bool dialogFiles) {
  for (const std::string& answer : answers) {
    if (answer.empty()) throw InputError("run: empty dialog answer in --answers");
    if (const std::optional<int> button = platform::sim::ParseBoxAnswer(answer)) {
      machine.ui.styledAnswers.push_back(*button);
      continue;
    }
    if (StartsWith(ToUpperAscii(answer), "BOX:")) throw InputError("run: no such message box button: " + answer);
    if (dialogFiles) {
      machine.toolkit.answers.push_back(answer);
      continue;
    }
    if (answer.find('=') != std::string::npos) {
      std::fputs(("qx run: answer " + answer + " needs the dialog files; the stand-in passes over it\n").c_str(), stderr);
      continue;
    }
    machine.ui.dialogAnswers.push_back(*platform::sim::ParseDialogAnswer(answer));
  }
}

std::string EscapeLineBreaks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string FinalVariables(const TVariableManager& variables) {
  const StringList items = FromCommaText(variables.ExportVariables());
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i + 1 < items.size(); i += 2) pairs.emplace_back(items[i], items[i + 1]);
  std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
    const std::string foldedA = ToUpperAscii(a.first), foldedB = ToUpperAscii(b.first);
    return foldedA != foldedB ? foldedA < foldedB : a.first < b.first;
  });
  std::string text;
  for (const auto& [name, value] : pairs) text += EscapeLineBreaks(name) + "=" + EscapeLineBreaks(value) + "\n";
  return text;
}

// A box as its reader would see it: the caption in brackets, then its lines.
std::string BoxText(const std::string& caption, const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return "[" + caption + "]\n" + lines + "\n";
}

// The installer calls of this run, one a line: the operation, then its arguments quoted.
std::string InstallerCalls(const SimMachine& machine, size_t firstCall) {
  std::string text = "--- installer calls\n";
  for (size_t i = firstCall; i < machine.installer.calls.size(); ++i) {
    const auto& call = machine.installer.calls[i];
    text += call.operation;
    for (const std::string& argument : call.arguments) text += " \"" + EscapeLineBreaks(argument) + "\"";
    text += "\n";
  }
  return text;
}

// The plug-in calls of this run, one a line: the library and the plug-in data quoted, then what
// the call came to. Nothing at all when the script called none.
std::string PluginCalls(const SimMachine& machine) {
  const auto calls = machine.plugins.Calls();
  if (calls.empty()) return {};
  std::string text = "--- plug-in calls\n";
  for (const auto& call : calls)
    text += "\"" + EscapeLineBreaks(call.libraryPath) + "\" \"" + EscapeLineBreaks(call.pluginData) + "\" " +
            platform::PluginOutcomeName(call.outcome) + "\n";
  return text;
}

std::string RegistryText(const platform::RegistryValue& value) {
  if (value.type == platform::RegistryType::Dword && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
    return std::to_string(number);
  }
  return EscapeLineBreaks(value.data);
}

// The records the instance registration keeps: the Uninstall entry of the title, the product's
// own entry, the Ident.Cache record, and the files of the instance folder it names.
std::string Registration(SimMachine& machine, const Session& session) {
  std::string text = "--- registration\n";
  const std::string title = session.variables.GetVariable("TITLE");
  const std::string product = session.payload.productCode;
  const std::pair<platform::RegistryRoot, const char*> roots[] = {{platform::RegistryRoot::LocalMachine, "HKLM"},
                                                                 {platform::RegistryRoot::CurrentUser, "HKCU"}};
  std::string instanceFolder;
  for (const auto& [root, rootName] : roots) {
    for (const std::string& key : {std::string(kUninstallKey) + title, std::string(kUninstallKey) + product,
                                   std::string(kIdentCacheKey) + product}) {
      if (!machine.registry.KeyExists(root, key, platform::RegistryView::Default)) continue;
      text += std::string(rootName) + "\\" + key + "\n";
      const auto names = machine.registry.ListValueNames(root, key, platform::RegistryView::Default);
      for (const std::string& name : names.value_or(std::vector<std::string>{})) {
        auto value = machine.registry.ReadValue(root, key, name, platform::RegistryView::Default);
        if (!value) continue;
        text += "  " + (name.empty() ? std::string("(default)") : name) + " = " + RegistryText(*value) + "\n";
        if (StartsWith(key, kIdentCacheKey) && name.empty()) instanceFolder = value->data;
      }
    }
  }
  if (!instanceFolder.empty() && machine.files.DirectoryExists(instanceFolder)) {
    std::vector<std::string> names;
    for (const auto& entry : machine.files.ListDirectory(instanceFolder))
      names.push_back(entry.name + (entry.isDirectory ? "\\" : ""));
    std::sort(names.begin(), names.end());
    text += instanceFolder + "\n";
    for (const std::string& name : names) text += "  " + name + "\n";
  }
  return text;
}

void WriteStderr(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

class HostFolder {
 public:
  explicit HostFolder(const std::string& machineFolder) {
    if (!machineFolder.empty()) {
      store_.emplace(machineFolder);
      path_ = store_->DrivesFolder();
      return;
    }
    std::random_device random;
    path_ = fs::temp_directory_path() / ("qx-run-" + std::to_string(random()) + std::to_string(random()));
    temporary_ = true;
  }
  ~HostFolder() {
    std::error_code ignored;
    if (temporary_) fs::remove_all(path_, ignored);
  }
  HostFolder(const HostFolder&) = delete;
  HostFolder& operator=(const HostFolder&) = delete;

  const fs::path& Path() const { return path_; }
  void Load(SimMachine& machine) const {
    std::string error;
    if (store_ && !store_->Load(machine, error)) throw InputError("run: " + error);
  }
  void Save(SimMachine& machine) const {
    std::string error;
    if (store_ && !store_->Save(machine, error)) throw InputError("run: " + error);
  }

 private:
  std::optional<platform::sim::SimMachineStore> store_;
  fs::path path_;
  bool temporary_ = false;
};

}  // namespace

// The run, with what the dialogs showed and wrote collected in dialogLog.
static int RunLoggingDialogs(const ScriptPayload& payload, const SimulatedRun& setup, const SimulatedRunEnded& ended,
                             std::vector<std::string>& dialogLog) {
  HostFolder host(setup.machineFolder);
  std::error_code ec;
  fs::create_directories(host.Path(), ec);
  SimMachine machine(host.Path());
  host.Load(machine);
  machine.files.CreateDirectories(machine.system.tempPath);
  PlaceSetup(machine, payload, setup);
  SetCommandLine(machine, setup.engineArguments);
  ResumeAfterRestart(machine);
  const bool dialogFiles = setup.supportArchive.has_value();
  QueueAnswers(machine, setup.answers, dialogFiles);

  platform::Platform platform = machine.AsPlatform();
  Session session(platform);
  session.loadDialogFiles = dialogFiles;
  machine.toolkit.onLog = [&](const std::string& line) { dialogLog.push_back(line); };
  machine.ui.onBox = [](const std::string& caption, const std::string& text, const std::string& answer) {
    WriteStderr(BoxText(caption, text) + "(answered " + answer + ")\n");
  };
  session.onDialogReport = [&](const std::string& line) { dialogLog.push_back("  wrote " + line); };
  // What the progress page's Cancel button does, for a machine folder whose installer stream
  // has the user cancel.
  machine.installer.onUserCancel = [&session] {
    session.variables.StoreVariable("VELD_IsCancelled", "TRUE");
    session.variables.StoreVariable("VELD_thCancelled", "TRUE");
  };
  const size_t firstInstallerCall = machine.installer.calls.size();
  const int exitCode = RunStartup(session);

  if (session.silent && !session.runtimeErrorReport.empty())
    WriteStderr(BoxText(WizardCaption(session.captionTitle, session.logoFree), session.runtimeErrorReport));
  if (ended) ended(session, machine, firstInstallerCall);
  host.Save(machine);
  return exitCode;
}

int RunOnSimulatedMachine(const ScriptPayload& payload, const SimulatedRun& setup, const SimulatedRunEnded& ended) {
  std::vector<std::string> dialogLog;
  return RunLoggingDialogs(payload, setup, ended, dialogLog);
}

namespace {

bool HasDialogLines(const ScriptPayload& payload) {
  for (size_t line = 0; line < payload.LineCount(); ++line)
    if (payload.commandNames[line] == "Display Dialog") return true;
  return false;
}

// --support DIR packed as the build packs it, else the .res beside a setup executable.
std::optional<std::string> FindSupportArchive(const RunOptions& options) {
  if (!options.support.empty()) {
    std::string pattern = (fs::temp_directory_path() / "qx-run-support-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw InputError("run: cannot create a scratch folder");
    const fs::path scratch = pattern;
    std::string bytes;
    try {
      PackSupportArchive(options.support, scratch / "support.res");
      bytes = ReadHostFile((scratch / "support.res").string());
    } catch (...) {
      std::error_code ignored;
      fs::remove_all(scratch, ignored);
      throw;
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return bytes;
  }
  if (!StartsWith(ReadHostFile(options.script).substr(0, 2), "MZ")) return std::nullopt;
  const fs::path beside = fs::path(options.script).replace_extension(".res");
  if (!fs::is_regular_file(beside)) return std::nullopt;
  return ReadHostFile(beside.string());
}

// What the setup showed at the tray and on its taskbar buttons; nothing when it showed nothing.
std::string TraySection(const SimMachine& machine) {
  if (machine.toolkit.shellLog.empty()) return {};
  std::string text = "--- tray and taskbar\n";
  for (const std::string& line : machine.toolkit.shellLog) text += EscapeLineBreaks(line) + "\n";
  return text;
}

// The language the run chose and the translation tables it loaded; nothing for a setup in one
// language.
std::string LanguageSection(const Session& session) {
  const std::string chosen = session.variables.GetVariable("LANGUAGE");
  const std::string& loaded = session.language.lastLoaded;
  const bool anyLoaded = loaded != kNoLanguageLoaded;
  if (chosen.empty() && !anyLoaded) return {};
  std::string text = "--- language\n";
  text += "chosen: " + (chosen.empty() ? std::string("(none)") : chosen) + "\n";
  text += "translations loaded: " +
          (anyLoaded ? loaded + ", " + std::to_string(session.translations.texts.size()) + " texts" : std::string("(none)")) +
          "\n";
  return text;
}

std::string DialogSection(const std::vector<std::string>& log) {
  std::string text = "--- dialogs\n";
  for (const std::string& line : log) text += EscapeLineBreaks(line) + "\n";
  return text;
}

}  // namespace

int RunRun(Arguments arguments) {
  const RunOptions options = ParseRunArguments(arguments);
  const ScriptPayload payload = LoadPayloadOrSource(options.script);
  WarnCommandsNotCarriedOut(payload);
  SimulatedRun run = options.run;
  run.package = FindPackage(options, payload, run.packageIsPatch);
  run.supportArchive = FindSupportArchive(options);
  if (!run.supportArchive && HasDialogLines(payload))
    WriteStderr("qx run: warning: no dialog files were loaded (no --support folder, no .res beside a setup); "
                "the dialogs are answered headless\n");
  std::vector<std::string> dialogLog;
  return RunLoggingDialogs(
      payload, run,
      [&](Session& session, SimMachine& machine, size_t firstInstallerCall) {
        WriteStdout(FinalVariables(session.variables));
        WriteStdout(LanguageSection(session));
        WriteStdout(InstallerCalls(machine, firstInstallerCall));
        WriteStdout(Registration(machine, session));
        WriteStdout(PluginCalls(machine));
        if (run.supportArchive) WriteStdout(DialogSection(dialogLog));
        WriteStdout(TraySection(machine));
      },
      dialogLog);
}

}  // namespace quarrix::qx

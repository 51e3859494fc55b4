// qx run: a setup's start-up and script on the simulated machine, with a synthetic engine image
// carrying the payload, and the final variables printed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "QxCommands.h"
#include "common/CommaText.h"
#include "common/WindowsPath.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimMachineStore.h"
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
    if (argument == "--machine" || argument == "--answers") {
      if (i + 1 == arguments.size()) throw InputError("run: " + argument + " needs a value");
      const std::string& value = arguments[++i];
      if (argument == "--machine")
        options.run.machineFolder = value;
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
void PlaceSetup(SimMachine& machine, const ScriptPayload& payload, const std::optional<std::string>& package) {
  const std::string executable = machine.system.executablePath;
  const std::string folder = FolderUpToBackslash(executable);
  const std::string base = FileNameWithoutExtension(FileNameAfterBackslash(executable));
  const std::string engine = SyntheticEngineImage();
  machine.files.CreateDirectories(folder);
  machine.files.WriteFile(executable, engine + WritePayload(payload));
  machine.files.WriteFile(folder + "zvk.lib", engine);
  machine.files.WriteFile(folder + base + ".res", std::string(kEmptyArchive));
  if (package)
    machine.files.WriteFile(folder + base + ".msi", *package);
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

void QueueAnswers(SimMachine& machine, const std::vector<std::string>& answers) {
  for (const std::string& answer : answers) {
    auto outcome = platform::sim::ParseDialogAnswer(answer);
    if (!outcome) throw InputError("run: empty dialog answer in --answers");
    machine.ui.dialogAnswers.push_back(*outcome);
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

int RunOnSimulatedMachine(const ScriptPayload& payload, const SimulatedRun& setup,
                          const std::function<void(Session&, SimMachine&)>& ended) {
  HostFolder host(setup.machineFolder);
  std::error_code ec;
  fs::create_directories(host.Path(), ec);
  SimMachine machine(host.Path());
  host.Load(machine);
  machine.files.CreateDirectories(machine.system.tempPath);
  PlaceSetup(machine, payload, setup.package);
  SetCommandLine(machine, setup.engineArguments);
  QueueAnswers(machine, setup.answers);

  platform::Platform platform = machine.AsPlatform();
  Session session(platform);
  const int exitCode = RunStartup(session);

  for (const auto& box : machine.ui.shown) WriteStderr(BoxText(box.caption, box.text));
  if (session.silent && !session.runtimeErrorReport.empty())
    WriteStderr(BoxText(WizardCaption(session.captionTitle, session.logoFree), session.runtimeErrorReport));
  if (ended) ended(session, machine);
  host.Save(machine);
  return exitCode;
}

int RunRun(Arguments arguments) {
  const RunOptions options = ParseRunArguments(arguments);
  const ScriptPayload payload = LoadPayloadOrSource(options.script);
  WarnCommandsNotCarriedOut(payload);
  return RunOnSimulatedMachine(payload, options.run,
                               [](Session& session, SimMachine&) { WriteStdout(FinalVariables(session.variables)); });
}

}  // namespace quarrix::qx

#pragma once
// The qx subcommands: one row of the command table per subcommand, and what they share.
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/VariableManager.h"
#include "engine/Payload.h"

namespace quarrix {
struct Session;
namespace platform::sim {
class SimMachine;
}
}  // namespace quarrix

namespace quarrix::qx {

// Exit codes of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRejected = 1;
inline constexpr int kExitInputError = 2;

// Bad usage or bad input: reported as one "qx: " line on stderr, exit code 2.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Arguments = std::span<const std::string>;

struct Subcommand {
  std::string_view name;
  std::string_view usage;    // the arguments after "qx NAME"
  std::string_view summary;  // one line for "qx --help"
  std::string_view details;  // more lines for "qx help NAME"; may be empty
  int (*run)(Arguments arguments);
};

std::span<const Subcommand> Subcommands();

int RunCompile(Arguments arguments);
int RunDump(Arguments arguments);
int RunCheck(Arguments arguments);
int RunEval(Arguments arguments);
int RunExpand(Arguments arguments);
int RunCond(Arguments arguments);
int RunAttach(Arguments arguments);
int RunRun(Arguments arguments);
int RunList(Arguments arguments);
int RunExtract(Arguments arguments);
int RunBuild(Arguments arguments);
int RunMsi(Arguments arguments);
int RunDialog(Arguments arguments);

// Removes "NAME VALUE" from arguments (before any "--") and returns the value.
std::optional<std::string> TakeOption(std::vector<std::string>& arguments, const std::string& name);
// The engine's stub with the payload behind it; input errors for an engine that is no image.
std::string SetupExecutable(const std::string& enginePath, const std::string& payload);

// Positional arguments and the value of "-o"; any other option is an input error.
struct ParsedArguments {
  std::vector<std::string> positional;
  std::string output;
};
ParsedArguments ParseArguments(std::string_view subcommand, Arguments arguments, bool takesOutput);
void ExpectPositionalCount(std::string_view subcommand, const ParsedArguments& parsed, size_t count);

std::string ReadHostFile(const std::string& path);
// Writes path + ".tmp" and renames it over path, so a failure leaves no partial file behind.
void WriteHostFileAtomically(const std::string& path, std::string_view bytes);
void WriteStdout(std::string_view text);

// The payload bytes of a payload file or of a setup executable ("MZ" at the start).
std::string PayloadBytesOf(const std::string& path, const std::string& fileBytes);
ScriptPayload LoadPayload(const std::string& path);
// A script source (its first line the source marker) is compiled; anything else is read as a
// payload. Input errors for a payload that does not read.
ScriptPayload LoadPayloadOrSource(const std::string& path);
// Input errors for a text without the source marker and for a source that does not compile.
ScriptPayload CompileSourceFile(const std::string& path, const std::string& text);

// How a script runs on the simulated machine.
struct SimulatedRun {
  std::string machineFolder;  // empty: a throw-away machine
  std::vector<std::string> answers;
  std::vector<std::string> engineArguments;
  std::optional<std::string> package;  // bytes of the setup's package; an empty .msi when not given
  bool packageIsPatch = false;         // the package is placed as the .msp
  // Bytes of the support archive beside the engine. Without one the archive is empty, no dialog
  // files are loaded and the dialogs are answered by the headless stand-in.
  std::optional<std::string> supportArchive;
};
// Start-up and script of the payload, as the engine would run them from a setup folder; the
// run's message boxes go to stderr. ended sees the session after the run, before the machine is
// saved, and the index of the first installer call the run made (the machine folder keeps the
// earlier ones). Returns the run's exit code.
using SimulatedRunEnded = std::function<void(Session&, platform::sim::SimMachine&, size_t firstInstallerCall)>;
int RunOnSimulatedMachine(const ScriptPayload& payload, const SimulatedRun& setup, const SimulatedRunEnded& ended);

// NAME=VALUE arguments stored into a fresh variable store.
void StoreAssignments(TVariableManager& variables, Arguments assignments);

// One stderr line per command of the script that this build passes over.
void WarnCommandsNotCarriedOut(const ScriptPayload& payload);

}  // namespace quarrix::qx

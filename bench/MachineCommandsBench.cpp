// The machine commands on the simulated machine: the command mix of bench/machine_commands.py
// (registry reads and checks, text-file writes and reads, existence checks, one find) through a
// whole script run, as commands a second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "authoring/ScriptCompiler.h"
#include "commands/EngineCommands.h"
#include "engine/ScriptRun.h"
#include "engine/Session.h"
#include "instance/EngineInstanceCache.h"
#include "platform/sim/SimMachine.h"

namespace quarrix {
namespace {

constexpr int kRegistryReads = 10'000;
constexpr int kFileRounds = 1'000;
constexpr int kExistenceChecks = 1'000;
constexpr int kTreeFolders = 10;
constexpr int kTreeFilesPerFolder = 100;
constexpr int kCommands = kRegistryReads + 2 * kFileRounds + kExistenceChecks + 1;

std::string MachineScriptSource() {
  std::string source = "#quarrix-script 1\n[setup]\ntitle = \"Machine Bench\"\n[script]\n";
  for (int i = 0; i < kRegistryReads; ++i) {
    source += i % 2 == 0 ? "Read Registry: " : "Check Registry: ";
    source += "VALUE" + std::to_string(i % 8) + " 1 \"Software\\Quarrix Bench\" " + (i % 4 < 2 ? "Text" : "Number") + "\n";
  }
  for (int i = 0; i < kFileRounds; ++i) source += "Write to Text File: \"C:\\Work\\bench.txt\" \"a line\" FALSE\n";
  for (int i = 0; i < kFileRounds; ++i)
    source += "Read from Text File: \"C:\\Work\\bench.txt\" LINE" + std::to_string(i % 8) + " ATEND\n";
  for (int i = 0; i < kExistenceChecks; ++i)
    source += "Does File/Folder Exist: THERE" + std::to_string(i % 8) + " \"C:\\Work\\" +
              (i % 2 ? "bench.txt" : "missing.txt") + "\" TRUE\n";
  source += "Find All Files: \"C:\\Tree\\*.*\" TRUE FALSE FOUND\n";
  return source;
}

struct MachineSession {
  std::filesystem::path root = std::filesystem::temp_directory_path() / "quarrix-machine-bench";
  platform::sim::SimMachine machine{root};
  Session session{machine.AsPlatform()};

  MachineSession() {
    session.silent = true;
    session.variables.SetSilent(true);
    session.tempFolder = machine.system.tempPath;
    session.supportFolder = session.tempFolder + "zvk1\\";
    session.executablePath = "C:\\Setup\\setup.exe";
    session.executableFolder = "C:\\Setup\\";
    session.executableName = "setup";
    machine.files.CreateDirectories(session.supportFolder);
    machine.files.WriteFile(PackagePath(), "package");
    machine.files.CreateDirectories("C:\\Work");
    for (int folder = 0; folder < kTreeFolders; ++folder) {
      const std::string path = "C:\\Tree\\folder" + std::to_string(folder) + "\\";
      machine.files.CreateDirectories(path);
      for (int file = 0; file < kTreeFilesPerFolder; ++file)
        machine.files.WriteFile(path + "file" + std::to_string(file) + ".txt", "x");
    }
    using platform::RegistryRoot;
    using platform::RegistryValue;
    using platform::RegistryView;
    machine.registry.WriteValue(RegistryRoot::CurrentUser, "Software\\Quarrix Bench", "Text",
                                RegistryValue::Text("a text value"), RegistryView::Force32);
    machine.registry.WriteValue(RegistryRoot::CurrentUser, "Software\\Quarrix Bench", "Number",
                                RegistryValue::Number(42), RegistryView::Force32);
    static const ScriptPayload payload = CompileScriptSource(MachineScriptSource(), "machine.qxs");
    session.payload = payload;
    session.parameterLists = {session.payload.parameterList};
    session.payload.parameterList.Clear();
    session.workingTitle = session.payload.title;
  }
  ~MachineSession() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::string PackagePath() const { return session.supportFolder + "setup.msi"; }
};

void BM_MachineCommands(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto bench = std::make_unique<MachineSession>();
    EngineInstanceCache instanceCache;
    state.ResumeTiming();
    ExecuteScript(bench->session, RunRequest{.packagePath = bench->PackagePath(),
                                             .commands = EngineCommands(),
                                             .instanceCache = instanceCache,
                                             .stepCallback = nullptr});
    state.PauseTiming();
    const TVariableManager& variables = bench->session.variables;
    if (variables.GetVariable("VALUE0") != "a text value" || variables.GetVariable("THERE1") != "TRUE" ||
        variables.GetVariable("FOUND").empty())
      state.SkipWithError("the script did not do its work");
    bench.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kCommands);
  state.counters["commands_per_second"] =
      benchmark::Counter(static_cast<double>(kCommands), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MachineCommands)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarrix

// Plug-in calls on the simulated machine: every call exports the whole variable store as comma
// text, runs the entry point on a worker thread and imports the store it hands back, so its cost
// grows with the store. A whole script run of plug-in lines over stores of a few sizes, as calls
// a second.
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

constexpr int kCalls = 200;

std::string PluginScriptSource(int storeSize) {
  std::string source = "#quarrix-script 1\n[setup]\ntitle = \"Plug-in Bench\"\nplugin-command = Bump\n[script]\n";
  for (int i = 0; i < storeSize; ++i)
    source += "Set Variable: VALUE" + std::to_string(i) + " \"a value of some length, " + std::to_string(i) + "\"\n";
  for (int i = 0; i < kCalls; ++i) source += "Bump: " + std::to_string(i) + " bump.dll\n";
  return source;
}

struct PluginSession {
  std::filesystem::path root = std::filesystem::temp_directory_path() / "quarrix-plugin-bench";
  platform::sim::SimMachine machine{root};
  Session session{machine.AsPlatform()};

  explicit PluginSession(const ScriptPayload& payload) {
    session.silent = true;
    session.variables.SetSilent(true);
    session.tempFolder = machine.system.tempPath;
    session.supportFolder = session.tempFolder + "zvk1\\";
    session.executablePath = "C:\\Setup\\setup.exe";
    session.executableFolder = "C:\\Setup\\";
    session.executableName = "setup";
    machine.files.CreateDirectories(session.supportFolder);
    machine.files.WriteFile(PackagePath(), "package");
    machine.files.WriteFile(session.supportFolder + "bump.dll", "MZ");
    machine.plugins.plugins.push_back({"bump.dll", platform::PluginOutcome::Returned, false, {"LAST=$DATA$"}});
    session.payload = payload;
    session.parameterLists = {session.payload.parameterList};
    session.payload.parameterList.Clear();
    session.workingTitle = session.payload.title;
  }
  ~PluginSession() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::string PackagePath() const { return session.supportFolder + "setup.msi"; }
};

void BM_PluginCalls(benchmark::State& state) {
  const ScriptPayload payload = CompileScriptSource(PluginScriptSource(static_cast<int>(state.range(0))), "plugins.qxs");
  for (auto _ : state) {
    state.PauseTiming();
    auto bench = std::make_unique<PluginSession>(payload);
    EngineInstanceCache instanceCache;
    state.ResumeTiming();
    ExecuteScript(bench->session, RunRequest{.packagePath = bench->PackagePath(),
                                             .commands = EngineCommands(),
                                             .instanceCache = instanceCache,
                                             .stepCallback = nullptr});
    state.PauseTiming();
    if (bench->session.variables.GetVariable("LAST") != std::to_string(kCalls - 1))
      state.SkipWithError("the plug-in lines did not run");
    bench.reset();
    state.ResumeTiming();
  }
  state.counters["calls_per_second"] =
      benchmark::Counter(static_cast<double>(kCalls), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PluginCalls)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarrix

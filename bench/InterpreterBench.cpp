// The per-line refresh of the interpreter against the line it precedes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "MeasuredPart.h"
#include "authoring/ScriptCompiler.h"
#include "commands/EngineCommands.h"
#include "instance/EngineInstanceCache.h"
#include "engine/CommandContext.h"
#include "engine/PredefinedVariables.h"
#include "engine/RunState.h"
#include "engine/ScriptPreparation.h"
#include "engine/ScriptRun.h"
#include "engine/VariableManager.h"
#include "instance/CacheRoot.h"
#include "platform/sim/SimMachine.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

// A simulated machine and a session with the predefined variables of a first run.
struct BenchSession {
  std::filesystem::path root = std::filesystem::temp_directory_path() / "quarrix-interpreter-bench";
  platform::sim::SimMachine machine{root};
  Session session{machine.AsPlatform()};
  PerLineRefresh refresh{session, GetCacheRoot};

  BenchSession() {
    session.executablePath = "C:\\Setup\\setup.exe";
    session.executableFolder = "C:\\Setup\\";
    session.executableFileName = "setup.exe";
    session.workingTitle = "Sample Product";
    session.payload.productCode = "{11111111-2222-3333-4444-555555555555}";
    session.payload.revisionCode = "{66666666-7777-8888-9999-000000000000}";
    // A store of the size a real script has: the predefined names and a few hundred of its own.
    SetPredefinedVariables(session, refresh, "C:\\Temp\\zvk1\\setup.msi");
    for (int i = 0; i < 300; ++i) session.variables.SetVariable("SCRIPTVAR" + std::to_string(i), "value", "Bench");
    session.variables.SetVariable("ALLUSERS", "TRUE", "Initialization");
  }
  ~BenchSession() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

// Everything the interpreter recomputes from the clock and the cache root before a line.
void BM_PerLineRefresh(benchmark::State& state) {
  BenchSession bench;
  for (auto _ : state) {
    MeasuredPart measured;
    bench.refresh.RefreshDateAndTime();
    bench.refresh.RefreshInstanceLinks();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PerLineRefresh);

// The same while every line falls into a new second: the formatting is no longer cached.
void BM_PerLineRefreshNewSecond(benchmark::State& state) {
  BenchSession bench;
  for (auto _ : state) {
    bench.machine.clock.Advance(1000);
    bench.refresh.RefreshDateAndTime();
    bench.refresh.RefreshInstanceLinks();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PerLineRefreshNewSecond);

// A "Set Variable" line as the dispatcher runs it: context, parameters, handler.
void BM_SetVariableLine(benchmark::State& state) {
  BenchSession bench;
  Session& session = bench.session;
  // Compiled scripts key every line by a registry-format GUID.
  const std::string guid = "{3F2504E0-4F89-41D3-9A0C-0305E82C3301}";
  session.payload.commandNames = HashedStringList({"Set Variable"});
  session.payload.lineGuids = HashedStringList({guid});
  session.parameterLists = {HashedStringList({guid, "RESULT", "$SCRIPTVAR7$ and more", "FALSE", "FALSE"})};
  const CommandRow* row = EngineCommands().Find("Set Variable");
  if (row == nullptr || row->handler == nullptr) {
    state.SkipWithError("this build does not carry out \"Set Variable\"");
    return;
  }
  RunState run;
  for (auto _ : state) {
    MeasuredPart measured;
    CommandContext context(session, run, 0, *row);
    row->handler(context);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetVariableLine);

// The store operation alone, the floor of any line that assigns.
void BM_SetVariableCall(benchmark::State& state) {
  BenchSession bench;
  for (auto _ : state) bench.session.variables.SetVariable("RESULT", "value and more", "Set Variable Action");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetVariableCall);

constexpr size_t kScriptLines = 100000;

// Groups of ten lines of variable commands and conditions, every branch taken once.
std::string MixedScriptSource(size_t lines) {
  std::string source = "#quarrix-script 1\n[setup]\ntitle = \"Bench Product\"\n[script]\nSet Variable: C 0\n";
  for (size_t group = 0; group * 10 + 1 < lines; ++group) {
    const std::string n = std::to_string(group);
    source += "Set Variable: V" + n + " \"text " + n + "\"\n";
    source += "If: V" + n + " 0 \"text " + n + "\" FALSE\n";
    source += "  Set Variable: T $V" + n + "$-ok\n";
    source += "Else\n";
    source += "  Set Variable: T bad\n";
    source += "End\n";
    source += "Mathematics: $C$ 1 0 C\n";
    source += "Replace String: T ok yes FALSE FALSE\n";
    source += "Evaluate Expression: \"$C$ = \"\"5\"\" or $T$ = \"\"text " + n + "-yes\"\"\" R\n";
    source += group % 2 == 0 ? "If: R 0 TRUE TRUE\nEnd\n" : "Comment: \"done " + n + "\"\n";
  }
  return source;
}

const ScriptPayload& MixedScript() {
  static const ScriptPayload payload = CompileScriptSource(MixedScriptSource(kScriptLines), "bench.qxs");
  return payload;
}

// A session set up as start-up leaves it: support folder with the package, the script tables.
struct ScriptSession : BenchSession {
  ScriptSession() {
    session.tempFolder = machine.system.tempPath;
    session.supportFolder = session.tempFolder + "zvk1\\";
    session.executableName = "setup";
    machine.files.CreateDirectories(session.supportFolder);
    machine.files.WriteFile(PackagePath(), "package");
    session.payload = MixedScript();
    session.parameterLists = {session.payload.parameterList};
    session.payload.parameterList.Clear();
    session.workingTitle = session.payload.title;
  }
  std::string PackagePath() const { return session.supportFolder + "setup.msi"; }
};

// The whole run: preparation, run entry, then every line with its refresh.
void BM_ExecuteScript(benchmark::State& state) {
  int64_t linesRun = 0;  // each line that runs was preceded by one refresh
  const StepCallback countLine = [&](int32_t) {
    ++linesRun;
    return true;
  };
  for (auto _ : state) {
    state.PauseTiming();
    auto bench = std::make_unique<ScriptSession>();
    EngineInstanceCache instanceCache;
    state.ResumeTiming();
    {
      MeasuredPart measured;
      ExecuteScript(bench->session, RunRequest{.packagePath = bench->PackagePath(),
                                               .commands = EngineCommands(),
                                               .instanceCache = instanceCache,
                                               .stepCallback = countLine});
    }
    state.PauseTiming();
    if (bench->session.variables.GetVariable("C") != std::to_string(kScriptLines / 10))
      state.SkipWithError("the script did not run to its end");
    bench.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(linesRun);
  state.counters["lines_run"] = static_cast<double>(linesRun) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ExecuteScript)->Unit(benchmark::kMillisecond);

// The preparation pass alone over the same script: the yardstick of the whole run.
void BM_PrepareExecutedScript(benchmark::State& state) {
  ScriptSession bench;
  ScriptPayload& payload = bench.session.payload;
  StringList skipMarks;
  for (auto _ : state) {
    MeasuredPart measured;
    PreparationResult outcome = PrepareScript(bench.session.variables, EngineCommands(), payload.commandNames, payload.lineGuids,
                                              &payload.commentFlags, bench.session.parameterLists, skipMarks);
    if (!outcome.Accepted()) state.SkipWithError(outcome.message.c_str());
    benchmark::DoNotOptimize(outcome);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(payload.LineCount()));
}
BENCHMARK(BM_PrepareExecutedScript)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarrix

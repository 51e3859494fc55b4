// The per-line refresh of the interpreter against the line it precedes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "commands/CommandCatalogue.h"
#include "engine/CommandContext.h"
#include "engine/PredefinedVariables.h"
#include "engine/RunState.h"
#include "engine/VariableManager.h"
#include "instance/CacheRoot.h"
#include "platform/sim/SimMachine.h"
#include "startup/Session.h"

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
  const CommandEntry* entry = FindCommand("Set Variable");
  if (entry == nullptr || entry->handler == nullptr) {
    state.SkipWithError("this build does not carry out \"Set Variable\"");
    return;
  }
  RunState run;
  for (auto _ : state) {
    CommandContext context(session, run, 0);
    entry->handler(context);
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

}  // namespace
}  // namespace quarrix

// Cost of one installer message through the engine's handler and the reporter that publishes
// the progress variables: the installer sends thousands of them during a run, each waiting for
// the answer.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/VariableManager.h"
#include "engine/WorkerHandshake.h"
#include "msi/InstallerMessageHandler.h"
#include "platform/sim/SimUserInterface.h"

namespace {

using namespace quarrix;

// A handler and a variable store as a run has them: a few hundred script variables, the
// handshake variables, a bar started by a reset.
struct Apply {
  Apply() {
    for (int i = 0; i < 200; ++i) variables.StoreVariable("VARIABLE" + std::to_string(i), "value " + std::to_string(i));
    variables.StoreVariable(kThCancelled, "FALSE");
    variables.StoreVariable(kThFinished, "FALSE");
    handler.silent = true;
    handler.Handle(kInstallMessageProgress, "1: 0 2: 100000 3: 0 4: 0", &reporter);
  }

  platform::sim::SimUserInterface ui;
  TVariableManager variables;
  InstallerMessageHandler handler{ui};
  InstallerProgressReporter reporter = [this](const std::string& text, int64_t position, int64_t total,
                                              int64_t minimum) {
    return ReportInstallerProgress(variables, text, position, total, minimum);
  };
};

void BM_HandleProgressMessage(benchmark::State& state) {
  Apply apply;
  for (auto _ : state)
    benchmark::DoNotOptimize(apply.handler.Handle(kInstallMessageProgress, "1: 2 2: 1000 3: 0 4: 1", &apply.reporter));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleProgressMessage);

// What a file-copying action sends: its start, an action-info step, then per file its data and
// a progress report.
void BM_HandleActionMessages(benchmark::State& state) {
  struct Message {
    uint32_t code;
    std::string text;
  };
  std::vector<Message> stream = {
      {kInstallMessageActionStart, "12:00:01: InstallFiles. Copying new files"},
      {kInstallMessageProgress, "1: 1 2: 25 3: 1"},
  };
  for (int file = 0; file < 10; ++file) {
    stream.push_back({kInstallMessageActionData, "File: file" + std::to_string(file) +
                                                     ".dll, Directory: C:\\Program Files\\Probe\\bin\\, Size: 40960"});
    stream.push_back({kInstallMessageProgress, "1: 2 2: 40960 3: 0 4: 1"});
  }
  Apply apply;
  for (auto _ : state)
    for (const Message& message : stream)
      benchmark::DoNotOptimize(apply.handler.Handle(message.code, message.text, &apply.reporter));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_HandleActionMessages);

}  // namespace

// Cost of expanding a parameter text, which the engine does for nearly every parameter it reads.
#include <benchmark/benchmark.h>

#include "engine/VariableManager.h"

namespace {

quarrix::TVariableManager& Store() {
  static quarrix::TVariableManager vars;
  static const bool filled = [] {
    for (int i = 0; i < 200; ++i) vars.StoreVariable("VARIABLE" + std::to_string(i), "value number " + std::to_string(i));
    return true;
  }();
  (void)filled;
  return vars;
}

void BM_ExpandWithoutReferences(benchmark::State& state) {
  const std::string text = "C:\\Program Files\\Orlevant\\Application\\bin\\setup.log";
  for (auto _ : state) benchmark::DoNotOptimize(Store().ExpandVariables(text));
}
BENCHMARK(BM_ExpandWithoutReferences);

void BM_ExpandTenReferences(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "part " + std::to_string(i) + " $VARIABLE" + std::to_string(i * 17) + "$ ";
  for (auto _ : state) benchmark::DoNotOptimize(Store().ExpandVariables(text));
}
BENCHMARK(BM_ExpandTenReferences);

}  // namespace

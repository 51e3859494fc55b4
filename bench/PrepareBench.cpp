#include <benchmark/benchmark.h>

#include <string>

#include "MeasuredPart.h"
#include "commands/EngineCommands.h"
#include "engine/ScriptPreparation.h"

namespace quarrix {
namespace {

struct ScriptTables {
  HashedStringList commandNames, lineGuids, commentFlags;
  ParameterLists parameterLists{1};

  void Add(std::string command, StringList params, bool commented = false) {
    std::string guid = "{" + std::to_string(commandNames.Count()) + "-5A1E-4C3B}";
    commandNames.Add(std::move(command));
    lineGuids.Add(guid);
    commentFlags.Add(commented ? "C" : "");
    parameterLists[0].Add(std::move(guid));
    for (auto& param : params) parameterLists[0].Add(std::move(param));
  }
};

// Groups of ten lines, each group with its own label, variables and a balanced If block.
ScriptTables MakeScript(size_t lines) {
  ScriptTables tables;
  for (size_t group = 0; tables.commandNames.Count() < lines; ++group) {
    std::string n = std::to_string(group);
    tables.Add("Label", {"Step" + n});
    tables.Add("Set Variable", {"Value" + n + (group % 7 == 0 ? "$VELD$VELD$TRUE" : ""), "text " + n});
    tables.Add("If", {"VALUE" + n, "0", "$TARGETDIR$", "FALSE"});
    tables.Add("Evaluate Expression", {"$Value" + n + "$ = \"x\" and (\"a\" < \"b\")", "Result" + n});
    tables.Add("End", {});
    tables.Add("Comment", {"group " + n});
    tables.Add("Install Files", {"files" + n, "*.*", "$TARGETDIR$\\" + n});
    tables.Add("Write Registry", {"HKLM", "Software\\Quarrix", "v" + n}, group % 3 == 0);
    tables.Add("If", {"RESULT" + n, "4", "TRUE", "FALSE"});
    tables.Add("End", {});
    if (group > 0) tables.Add("GoTo Label", {"Step" + std::to_string(group - 1)});
  }
  return tables;
}

void BM_PrepareScript(benchmark::State& state) {
  ScriptTables tables = MakeScript(static_cast<size_t>(state.range(0)));
  TVariableManager variables;
  StringList skipMarks;
  // The parameter list builds its GUID index on first use; keep that out of the timing.
  PrepareScript(variables, EngineCommands(), tables.commandNames, tables.lineGuids, &tables.commentFlags, tables.parameterLists,
                skipMarks);
  for (auto _ : state) {
    MeasuredPart measured;
    PreparationResult outcome = PrepareScript(variables, EngineCommands(), tables.commandNames, tables.lineGuids,
                                              &tables.commentFlags, tables.parameterLists, skipMarks);
    if (!outcome.Accepted()) state.SkipWithError(outcome.message.c_str());
    benchmark::DoNotOptimize(outcome);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tables.commandNames.Count()));
}
BENCHMARK(BM_PrepareScript)->Arg(10000)->Arg(30000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarrix

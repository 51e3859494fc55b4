#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "MeasuredPart.h"
#include "startup/PayloadReader.h"
#include "startup/PayloadWriter.h"

namespace quarrix {
namespace {

std::string LineGuid(size_t line) {
  char guid[40];
  std::snprintf(guid, sizeof guid, "{%08zX-1F2E-4D3C-8B4A-%012zX}", line * 2654435761u % 0xFFFFFFFFu, line);
  return guid;
}

// A script of ordinary lines, each with five parameters of typical length, sized so that the
// payload has about targetLines text lines (eleven per script line, mostly).
ScriptPayload MakeScript(size_t targetLines) {
  ScriptPayload p;
  const size_t scriptLines = targetLines / 11;
  static const char* const kCommands[] = {"Set Variable", "If", "Install Files", "Write Registry", "Display Dialog"};
  for (size_t line = 0; line < scriptLines; ++line) {
    const std::string guid = LineGuid(line);
    const std::string n = std::to_string(line);
    p.commandNames.Add(kCommands[line % 5]);
    p.lineGuids.Add(guid);
    p.commentFlags.Add(line % 9 == 0 ? "C" : "");
    p.lineMedia.Add(line % 4 == 0 ? "OFFLINE\\" : "");
    p.sourceLocations.push_back("C:\\Projects\\Sample\\setup.qxs*" + n);
    p.parameterList.Add(guid);
    p.parameterList.Add("VARIABLE" + n);
    p.parameterList.Add("$TARGETDIR$\\bin\\file" + n + ".dll");
    p.parameterList.Add(line % 3 == 0 ? "$" : "TRUE");
    p.parameterList.Add("Software\\Example\\Product\\" + n);
    p.parameterList.Add(n);
  }
  return p;
}

const std::string& PayloadText() {
  static const std::string text = WritePayload(MakeScript(100'000));
  return text;
}

size_t CountLines(const std::string& text) {
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

void BM_ParsePayload(benchmark::State& state) {
  const std::string& text = PayloadText();
  for (auto _ : state) {
    MeasuredPart measured;
    ScriptPayload payload = ParsePayload(text);
    benchmark::DoNotOptimize(payload);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * CountLines(text)));
}
BENCHMARK(BM_ParsePayload)->Unit(benchmark::kMillisecond);

// Baselines: the same bytes cut at CR LF, as views and as owned strings.
void BM_SplitLinesToViews(benchmark::State& state) {
  const std::string_view text = PayloadText();
  for (auto _ : state) {
    MeasuredPart measured;
    std::vector<std::string_view> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    benchmark::DoNotOptimize(lines);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * CountLines(PayloadText())));
}
BENCHMARK(BM_SplitLinesToViews)->Unit(benchmark::kMillisecond);

void BM_SplitLinesToStrings(benchmark::State& state) {
  const std::string_view text = PayloadText();
  for (auto _ : state) {
    MeasuredPart measured;
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
      lines.emplace_back(text.substr(start, end - start));
    benchmark::DoNotOptimize(lines);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * CountLines(PayloadText())));
}
BENCHMARK(BM_SplitLinesToStrings)->Unit(benchmark::kMillisecond);

void BM_GetLineParameter(benchmark::State& state) {
  const ScriptPayload payload = ParsePayload(PayloadText());
  const ParameterLists lists = {payload.parameterList};
  const std::vector<std::string>& guids = payload.lineGuids.Entries();
  constexpr size_t kCalls = 1'000'000;
  GetLineParameter(lists, guids[0], 1);  // builds the index, as the first command does
  for (auto _ : state) {
    for (size_t call = 0; call < kCalls; ++call) {
      std::string value = GetLineParameter(lists, guids[call * 7919 % guids.size()], call % 6);
      benchmark::DoNotOptimize(value);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCalls));
}
BENCHMARK(BM_GetLineParameter)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarrix

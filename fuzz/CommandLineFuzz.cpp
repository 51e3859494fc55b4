// Arbitrary bytes as the process command line: the parser must neither crash nor read
// outside the text, and what it returns must be consistent with itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  quarrix::CommandLineValues values = quarrix::ParseCommandLine(line);

  for (const auto& argument : values.arguments)
    if (argument.empty()) std::abort();  // the list ends at the first empty argument
  if (values.assignments.size() % 2 != 0) std::abort();
  if (values.rawArguments.size() > line.size()) std::abort();
  if (values.silent != (values.HasSwitch("s") || values.HasSwitch("qn"))) std::abort();
  return 0;
}

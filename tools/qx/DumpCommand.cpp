#include "QxCommands.h"
#include "authoring/ScriptDumper.h"

namespace quarrix::qx {

int RunDump(Arguments arguments) {
  ParsedArguments parsed = ParseArguments("dump", arguments, true);
  ExpectPositionalCount("dump", parsed, 1);
  std::string source = DumpScriptSource(LoadPayload(parsed.positional[0]));
  if (parsed.output.empty()) WriteStdout(source);
  else WriteHostFileAtomically(parsed.output, source);
  return kExitOk;
}

}  // namespace quarrix::qx

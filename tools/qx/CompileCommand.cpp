#include <stdexcept>

#include "QxCommands.h"
#include "startup/PayloadWriter.h"

namespace quarrix::qx {

int RunCompile(Arguments arguments) {
  ParsedArguments parsed = ParseArguments("compile", arguments, true);
  ExpectPositionalCount("compile", parsed, 1);
  if (parsed.output.empty()) throw InputError("compile: missing -o PAYLOAD");
  const std::string& source = parsed.positional[0];
  ScriptPayload payload = CompileSourceFile(source, ReadHostFile(source));
  std::string bytes;
  try {
    bytes = WritePayload(payload);
  } catch (const std::invalid_argument& error) {
    throw InputError(source + ": " + error.what());
  }
  WriteHostFileAtomically(parsed.output, bytes);
  return kExitOk;
}

}  // namespace quarrix::qx

#include "QxCommands.h"
#include "startup/PayloadReader.h"

namespace quarrix::qx {

int RunAttach(Arguments arguments) {
  ParsedArguments parsed = ParseArguments("attach", arguments, true);
  ExpectPositionalCount("attach", parsed, 2);
  if (parsed.output.empty()) throw InputError("attach: missing -o SETUP.EXE");
  const std::string& enginePath = parsed.positional[0];
  const std::string& payloadPath = parsed.positional[1];
  std::string payload = ReadHostFile(payloadPath);
  try {
    ParsePayload(payload);  // refuse to build a setup that could not start
  } catch (const PayloadError& error) {
    throw InputError(payloadPath + ": " + error.what());
  }
  WriteHostFileAtomically(parsed.output, SetupExecutable(enginePath, payload));
  return kExitOk;
}

}  // namespace quarrix::qx

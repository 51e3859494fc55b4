#include "QxCommands.h"
#include "startup/PayloadReader.h"
#include "startup/StubSize.h"

namespace quarrix::qx {

int RunAttach(Arguments arguments) {
  ParsedArguments parsed = ParseArguments("attach", arguments, true);
  ExpectPositionalCount("attach", parsed, 2);
  if (parsed.output.empty()) throw InputError("attach: missing -o SETUP.EXE");
  const std::string& enginePath = parsed.positional[0];
  const std::string& payloadPath = parsed.positional[1];
  std::string engine = ReadHostFile(enginePath);
  std::optional<uint32_t> stubSize = GetStubSize(engine);
  if (!stubSize) throw InputError(enginePath + ": not a PE image that can be measured");
  if (*stubSize > engine.size()) throw InputError(enginePath + ": the file is shorter than its own image");

  std::string payload = ReadHostFile(payloadPath);
  try {
    ParsePayload(payload);  // refuse to build a setup that could not start
  } catch (const PayloadError& error) {
    throw InputError(payloadPath + ": " + error.what());
  }
  engine.resize(*stubSize);
  WriteHostFileAtomically(parsed.output, engine + payload);
  return kExitOk;
}

}  // namespace quarrix::qx

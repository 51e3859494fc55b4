#include <string>

#include "commands/EngineCommands.h"
#include "QxCommands.h"
#include "engine/ScriptPreparation.h"
#include "engine/VariableManager.h"

namespace quarrix::qx {

int RunCheck(Arguments arguments) {
  ParsedArguments parsed = ParseArguments("check", arguments, false);
  ExpectPositionalCount("check", parsed, 1);
  ScriptPayload payload = LoadPayloadOrSource(parsed.positional[0]);
  WarnCommandsNotCarriedOut(payload);
  TVariableManager variables;
  StringList skipMarks;
  PreparationResult result = PrepareScript(variables, EngineCommands(), payload.commandNames, payload.lineGuids, &payload.commentFlags,
                                           ParameterLists{payload.parameterList}, skipMarks);
  WriteStdout(std::to_string(result.result) + "\n" + result.message + "\n");
  return result.Accepted() ? kExitOk : kExitRejected;
}

}  // namespace quarrix::qx

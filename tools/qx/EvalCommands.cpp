// eval, expand and cond: the engine's text operations on variables given as arguments. Their
// arguments are taken as they stand, so values starting with "-" need no "--".
#include <cstdio>
#include <stdexcept>

#include "QxCommands.h"
#include "engine/Eval.h"
#include "engine/VariableManager.h"

namespace quarrix::qx {
namespace {

void ExpectAtLeast(std::string_view subcommand, Arguments arguments, size_t count) {
  if (arguments.size() < count)
    throw InputError(std::string(subcommand) + ": missing argument (see 'qx help " + std::string(subcommand) + "')");
}

}  // namespace

int RunEval(Arguments arguments) {
  ExpectAtLeast("eval", arguments, 1);
  TVariableManager variables;
  StoreAssignments(variables, arguments.subspan(1));
  WriteStdout(EvaluateExpression(variables.ExpandVariablesQuoted(arguments[0])) + "\n");
  return kExitOk;
}

int RunExpand(Arguments arguments) {
  ExpectAtLeast("expand", arguments, 1);
  TVariableManager variables;
  StoreAssignments(variables, arguments.subspan(1));
  WriteStdout(variables.ExpandVariables(arguments[0]) + "\n");
  return kExitOk;
}

int RunCond(Arguments arguments) {
  ExpectAtLeast("cond", arguments, 4);
  TVariableManager variables;
  StoreAssignments(variables, arguments.subspan(4));
  bool holds = false;
  try {
    holds = EvaluateCondition(variables, arguments[0], arguments[1], arguments[2], arguments[3]);
  } catch (const std::runtime_error& error) {
    std::fprintf(stderr, "qx: cond: %s\n", error.what());
    return kExitRejected;
  }
  WriteStdout(BoolText(holds) + "\n");
  return kExitOk;
}

}  // namespace quarrix::qx

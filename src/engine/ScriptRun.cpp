#include "engine/ScriptRun.h"

#include "engine/ProcessExit.h"
#include "engine/ScriptPreparation.h"
#include "startup/Session.h"
#include "startup/TraceTags.h"

namespace quarrix {
namespace {

constexpr int kRejectedScriptExitCode = 314;

void ResetRunState(Session& session) {
  session.rootFolder = session.executableFolder;
}

}  // namespace

void ExecuteScript(Session& session, const HashedStringList& commandNames, const HashedStringList& lineGuids,
                   const HashedStringList* commentFlags, const std::string& packagePath,
                   const StepCallback& stepCallback, const ParameterLists& parameterLists,
                   const HashedStringList& lineMedia) {
  session.trace.WriteTrace(kTagVariablesOpen);
  ResetRunState(session);
  session.trace.WriteTrace(kTagVariablesClose);

  session.trace.WriteTrace(kTagCompileScriptOpen);
  const PreparationResult preparation = PrepareScript(session.variables, commandNames, lineGuids, commentFlags,
                                                      parameterLists, session.skipMarks);
  // The diagnostic is never shown: an unsupported script produces no window at all.
  if (!preparation.Accepted()) throw ProcessExit{kRejectedScriptExitCode};
  session.trace.WriteTrace(kTagCompileScriptClose);
  // The pass's declarations only served its own checks.
  session.variables.ClearVariables();

  // The run continues with the interpreter: handshake variables, bootstrap, predefined
  // variables, language, command-line variables, then the main loop over the lines.
  (void)packagePath;
  (void)stepCallback;
  (void)lineMedia;
}

}  // namespace quarrix

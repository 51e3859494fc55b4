#include "msi/ApplyChanges.h"

#include "engine/Session.h"
#include "engine/WorkerHandshake.h"

namespace quarrix {
namespace {

constexpr uint32_t kCancelPollMs = 250;

// Restores the current directory however the apply ends.
class CurrentDirectoryScope {
 public:
  CurrentDirectoryScope(platform::FileSystem& files, const std::string& folder) : files_(files) {
    if (folder.empty()) return;
    saved_ = files.CurrentDirectory();
    changed_ = files.ChangeCurrentDirectory(folder);
  }
  ~CurrentDirectoryScope() {
    if (changed_) files_.ChangeCurrentDirectory(saved_);
  }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

 private:
  platform::FileSystem& files_;
  std::string saved_;
  bool changed_ = false;
};

ApplyOutcome OutcomeOf(const ApplyOutputs& outputs, bool cancelled) {
  if (outputs.error) return cancelled ? ApplyOutcome::Cancelled : ApplyOutcome::Error;
  return outputs.reboot ? ApplyOutcome::CompleteRestartNeeded : ApplyOutcome::Complete;
}

}  // namespace

ApplyResult RunApplyChanges(Session& session, const ApplyInputs& inputs, const std::string& dialogFolder) {
  TVariableManager& variables = session.variables;
  CurrentDirectoryScope directory(session.platform.files, dialogFolder);
  variables.StoreVariable(kThFinished, "FALSE");
  variables.StoreVariable(kThCancelled, "FALSE");
  ReportProgress(variables, session.platform.clock, "", 0, 0, -1);

  session.progressPolling = true;
  WorkerOf<TMSIThread> thread(session, inputs);
  thread->Start();
  // The thread is never stopped: the user's cancel reaches the installer through
  // VELD_thCancelled, and the installer rolls back and returns.
  while (!thread->Finished()) {
    if (IsTrue(variables.GetVariable(kIsCancelled))) thread->RequestTerminate();
    PumpOrWait(session, &*thread, kCancelPollMs);
  }
  session.progressPolling = false;

  ApplyResult result;
  result.outcome = OutcomeOf(thread->Outputs(), variables.GetVariable(kThCancelled) == "TRUE");
  result.errorText = thread->Outputs().errorText;
  return result;
}

}  // namespace quarrix

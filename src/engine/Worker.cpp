#include "engine/Worker.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

#include "engine/ProgressModeScope.h"
#include "engine/VariableManager.h"
#include "engine/Session.h"
#include "engine/WizardCaption.h"
#include "engine/Wow64Switches.h"

namespace quarrix {

Worker::Worker(WorkerKey, TVariableManager& variables, platform::Clock& clock, platform::Threads& threads)
    : variables_(variables), clock_(clock), threads_(threads) {}

Worker::Worker(WorkerKey key, Session& session)
    : Worker(key, session.variables, session.platform.clock, session.platform.threads) {
  session_ = &session;
}

Worker::~Worker() { StopAndJoin(); }

void Worker::StopAndJoin() {
  RequestTerminate();
  if (thread_.joinable()) thread_.join();
}

void Worker::Start() {
  if (thread_.joinable()) throw std::logic_error("A worker runs once");
  finished_.store(false, std::memory_order_release);
  thread_ = std::thread([this] { Run(); });
}

void Worker::Run() {
  std::string failure;
  // Redirection is a state of each thread; the registry view is the main thread's to set.
  std::optional<Wow64Bracket> bracket;
  if (session_ != nullptr) bracket.emplace(*session_, true, Wow64Bracket::Registry::Untouched);
  try {
    Execute();
  } catch (const std::exception& error) {
    failure = error.what();
  } catch (...) {
    failure = "Unknown worker failure";
  }
  bracket.reset();
  std::lock_guard guard(cutOffLock_);
  ended_ = true;
  endedSignal_.notify_all();
  if (cutOff_) return;
  failure_ = std::move(failure);
  finished_.store(true, std::memory_order_release);
  threads_.PostWakeUp();
}

void Worker::WaitUntilEnded() {
  std::unique_lock guard(cutOffLock_);
  endedSignal_.wait(guard, [this] { return ended_ || cutOff_; });
}

void Worker::ForceEnd() {
  std::lock_guard guard(cutOffLock_);
  if (ended_) return;  // it made it on its own
  cutOff_ = true;
  threads_.ForceTerminate(thread_);
  finished_.store(true, std::memory_order_release);
  endedSignal_.notify_all();
}

bool Worker::EndedByForce() const {
  std::lock_guard guard(cutOffLock_);
  return cutOff_;
}

void Worker::ReportProgress(std::string_view text, int64_t minimum, int64_t maximum, int64_t position) {
  std::lock_guard guard(cutOffLock_);
  if (cutOff_) return;
  quarrix::ReportProgress(variables_, clock_, text, minimum, maximum, position);
}

void Worker::PublishResult(const std::function<void()>& write) {
  std::lock_guard guard(cutOffLock_);
  if (!cutOff_) write();
}

namespace {

constexpr uint32_t kCancelPollMs = 250;

void ReportCancellation(Session& session, const WaitOptions& options, WaitOutcome& outcome) {
  TVariableManager& variables = session.variables;
  if (!IsTrue(variables.GetVariable("ABORTEDONERROR")) && !session.silent) {
    ProgressModeScope inError(session, true);
    session.platform.ui.ShowMessage("Setup cancelled", WizardCaption(session.captionTitle, session.logoFree),
                                    platform::MessageButtons::Ok, platform::MessageIcon::Error, true);
  }
  if (IsTrue(variables.GetVariable("ABORTONERROR"))) {
    outcome.endScript = true;
  } else {
    variables.SetVariable("ABORTEDONERROR", "TRUE", options.cancelContext);
  }
}

}  // namespace

WaitOutcome WaitForWorker(Session& session, Worker& worker, const WaitOptions& options) {
  TVariableManager& variables = session.variables;
  platform::Clock& clock = session.platform.clock;
  Watchdog watchdog(options.watchdogChecksHeartbeat);
  WaitOutcome outcome;

  const Wow64Bracket bracket(session);
  session.progressPolling = true;
  worker.Start();
  bool cancelSeen = false;
  while (!worker.Finished()) {
    // The heartbeat snapshot is taken once, when cancellation is first seen: taken again on every
    // pass it would hide reports from the watchdog and end a worker that keeps reporting.
    if (!cancelSeen && IsTrue(variables.GetVariable(kIsCancelled))) {
      cancelSeen = true;
      variables.StoreVariable(kLastActiveTick, variables.GetVariable(kLastDelegateTick));
      worker.RequestTerminate();
      watchdog.Enable(clock.TickCount());
    }
    if (watchdog.Poll(variables, clock.TickCount())) {
      worker.ForceEnd();
      break;
    }
    // Waits end at least every poll interval, so a cancellation is seen even while no message
    // comes, and never later than the watchdog's next firing.
    const uint32_t maxWait = std::min(kCancelPollMs, watchdog.MillisecondsUntilDue(clock.TickCount()));
    PumpOrWait(session, &worker, maxWait);
  }
  watchdog.Disable();
  outcome.endedByForce = worker.EndedByForce();

  if (IsTrue(variables.GetVariable(kIsCancelled))) {
    outcome.cancelled = true;
    if (options.reportsCancellation) ReportCancellation(session, options, outcome);
  }
  session.progressPolling = false;
  return outcome;
}

}  // namespace quarrix

#include "engine/WorkerHandshake.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/ScriptThread.h"
#include "engine/VariableManager.h"
#include "engine/Worker.h"
#include "engine/Session.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

using platform::MessageIcon;

// Real time a test is prepared to wait for another thread before it calls the handshake broken.
constexpr auto kPatience = std::chrono::seconds(10);

template <typename Condition>
bool Eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

// A worker whose body is the test's own.
class LambdaWorker final : public Worker {
 public:
  LambdaWorker(WorkerKey key, Session& session, std::function<void(LambdaWorker&)> body)
      : Worker(key, session), body_(std::move(body)) {}

  using Worker::PublishResult;
  using Worker::ReportProgress;
  std::string result = "untouched";

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(LambdaWorker&)> body_;
};

class HandshakeTest : public ::testing::Test {
 protected:
  HandshakeTest() : session(temp.machine.AsPlatform()) {
    StoreHandshakeVariables(session.variables, temp.machine.clock);
    session.variables.SetVariable("ABORTONERROR", "FALSE", "Initialization");
    session.variables.SetVariable("ABORTEDONERROR", "FALSE", "Initialization");
    session.captionTitle = "Sample";
  }

  std::string Var(std::string_view name) const { return session.variables.GetVariable(name); }
  void Cancel() { session.variables.StoreVariable(kIsCancelled, "TRUE"); }
  uint32_t Tick() { return temp.machine.clock.TickCount(); }

  testing::TempMachine temp;
  Session session;
};

TEST_F(HandshakeTest, RunStartsWithTheReservedValuesAndTheCurrentTick) {
  temp.machine.clock.Advance(1234);
  StoreHandshakeVariables(session.variables, temp.machine.clock);
  const std::string tick = std::to_string(Tick());
  const std::vector<std::pair<std::string_view, std::string>> expected = {
      {kThProgress, "0"},          {kThMax, "100"},          {kThMin, "0"},
      {kThProgressText, ""},       {kThFinished, "FALSE"},   {kThCancelled, "FALSE"},
      {kIsCancelled, "FALSE"},     {kLastDelegateTick, tick}, {kLastActiveTick, tick}};
  for (const auto& [name, value] : expected) {
    SCOPED_TRACE(std::string(name));
    EXPECT_TRUE(session.variables.VariableExists(name));
    EXPECT_EQ(Var(name), value);
  }
}

TEST_F(HandshakeTest, ReportProgressChangesWhatItsArgumentsSay) {
  struct Case {
    const char* label;
    std::string text;
    int64_t minimum, maximum, position;
    std::string expectText, expectMin, expectMax, expectPosition;
  };
  // The store starts each case at text "before", 5..50 at 20.
  const std::vector<Case> cases = {
      {"everything", "Copying", 1, 200, 150, "Copying", "1", "200", "150"},
      {"64-bit numbers", "Big", -1, 8'000'000'000, 7'000'000'000, "Big", "-1", "8000000000", "7000000000"},
      {"position -1 reports only text", "Text only", 0, 100, -1, "Text only", "5", "50", "20"},
      {"$IGNORE$ reports only numbers", "$IGNORE$", 0, 10, 7, "before", "0", "10", "7"},
      {"$VELD$ republishes", "$VELD$", 0, 999, 998, "before", "5", "50", "20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    session.variables.StoreVariable(kThProgressText, "before");
    session.variables.StoreVariable(kThMin, "5");
    session.variables.StoreVariable(kThMax, "50");
    session.variables.StoreVariable(kThProgress, "20");
    temp.machine.clock.Advance(10);
    ReportProgress(session.variables, temp.machine.clock, c.text, c.minimum, c.maximum, c.position);
    EXPECT_EQ(Var(kThProgressText), c.expectText);
    EXPECT_EQ(Var(kThMin), c.expectMin);
    EXPECT_EQ(Var(kThMax), c.expectMax);
    EXPECT_EQ(Var(kThProgress), c.expectPosition);
    EXPECT_EQ(Var(kLastDelegateTick), std::to_string(Tick())) << "every report is a heartbeat";
  }
}

TEST_F(HandshakeTest, RepublishingANumberThatIsNotAnIntegerIsAnError) {
  session.variables.StoreVariable(kThMax, "lots");
  EXPECT_THROW(ReportProgress(session.variables, temp.machine.clock, kRepublishProgress, 0, 0, 0),
               std::runtime_error);
}

TEST_F(HandshakeTest, WatchdogGivesAReportingWorkerAnotherIntervalAndEndsASilentOne) {
  Watchdog watchdog;
  EXPECT_EQ(watchdog.MillisecondsUntilDue(Tick()), platform::kWaitForever);
  session.variables.StoreVariable(kLastActiveTick, Var(kLastDelegateTick));
  const uint32_t start = Tick();
  watchdog.Enable(start);
  watchdog.Enable(start + 4000);  // already running: the interval is not restarted
  EXPECT_EQ(watchdog.MillisecondsUntilDue(start + 1000), 4000u);
  EXPECT_FALSE(watchdog.Poll(session.variables, start + 4999));

  temp.machine.clock.Advance(3000);
  ReportProgress(session.variables, temp.machine.clock, "$IGNORE$", 0, 0, -1);
  EXPECT_FALSE(watchdog.Poll(session.variables, start + 5000)) << "it reported during the interval";
  EXPECT_TRUE(watchdog.Enabled());
  EXPECT_EQ(Var(kLastActiveTick), Var(kLastDelegateTick));
  EXPECT_FALSE(watchdog.Poll(session.variables, start + 9999));
  EXPECT_TRUE(watchdog.Poll(session.variables, start + 10000)) << "silent for a whole interval";
  EXPECT_FALSE(watchdog.Enabled());
}

TEST_F(HandshakeTest, WatchdogWithoutHeartbeatEndsAtTheFirstFiringAndSurvivesTheTickWrap) {
  Watchdog watchdog(false);
  const uint32_t start = 0xFFFFF000u;  // 4096 ms before the tick count wraps
  watchdog.Enable(start);
  temp.machine.clock.Advance(100);
  ReportProgress(session.variables, temp.machine.clock, "busy", 0, 100, 1);
  EXPECT_FALSE(watchdog.Poll(session.variables, start + 4999));
  EXPECT_TRUE(watchdog.Poll(session.variables, start + 5000));
}

TEST_F(HandshakeTest, FinishedWorkerHandsOverItsResultWithoutAnyCancellation) {
  WorkerOf<LambdaWorker> worker(session, [](LambdaWorker& self) {
    self.ReportProgress("Working", 0, 100, 50);
    self.PublishResult([&] { self.result = "done"; });
  });
  const WaitOutcome outcome = WaitForWorker(session, *worker);
  EXPECT_TRUE(worker->Finished());
  EXPECT_EQ(worker->result, "done");
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_FALSE(outcome.endedByForce);
  EXPECT_FALSE(outcome.endScript);
  EXPECT_EQ(Var(kThProgressText), "Working");
  EXPECT_TRUE(temp.machine.ui.shown.empty());
  EXPECT_FALSE(session.progressPolling);
}

// A kind whose thread still works on its own members after it was asked to stop.
class BusyMemberWorker final : public Worker {
 public:
  BusyMemberWorker(WorkerKey key, Session& session, std::atomic<bool>& started, bool& returnedBeforeDestroyed)
      : Worker(key, session), started_(started), returnedBeforeDestroyed_(returnedBeforeDestroyed) {}
  ~BusyMemberWorker() override { returnedBeforeDestroyed_ = returned_.load(); }

 protected:
  void Execute() override {
    started_ = true;
    while (!TerminateRequested()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    cells_.assign(cells_.size(), 7);  // freed memory, had the kind gone first
    returned_ = true;
  }

 private:
  std::atomic<bool>& started_;
  bool& returnedBeforeDestroyed_;
  std::vector<int> cells_ = std::vector<int>(64, 0);
  std::atomic<bool> returned_{false};
};

TEST_F(HandshakeTest, DestroyingARunningWorkerJoinsItBeforeItsKindGoes) {
  std::atomic<bool> started{false};
  bool returnedBeforeDestroyed = false;
  {
    WorkerOf<BusyMemberWorker> worker(session, started, returnedBeforeDestroyed);
    worker->Start();
    ASSERT_TRUE(Eventually([&] { return started.load(); }));
  }
  EXPECT_TRUE(returnedBeforeDestroyed);
}

TEST_F(HandshakeTest, WorkerThatThrowsFinishesWithItsFailure) {
  WorkerOf<LambdaWorker> worker(session, [](LambdaWorker&) { throw std::runtime_error("disk on fire"); });
  WaitForWorker(session, *worker);
  EXPECT_TRUE(worker->Finished());
  EXPECT_EQ(worker->Failure(), "disk on fire");
}

TEST_F(HandshakeTest, CancellationIsReportedOnceAndEndsTheScriptOnlyWithAbortOnError) {
  struct Case {
    const char* label;
    bool silent;
    std::string abortOnError, abortedOnError;
    bool expectBox, expectEndScript;
    std::string expectAbortedOnError;
  };
  const std::vector<Case> cases = {
      {"continues with ABORTEDONERROR", false, "FALSE", "FALSE", true, false, "TRUE"},
      {"ends the script", false, "TRUE", "FALSE", true, true, "FALSE"},
      {"already reported", false, "FALSE", "TRUE", false, false, "TRUE"},
      {"silent runs show no box", true, "FALSE", "FALSE", false, false, "TRUE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    temp.machine.ui.shown.clear();
    session.silent = c.silent;
    session.variables.SetVariable("ABORTONERROR", c.abortOnError, "Initialization");
    session.variables.SetVariable("ABORTEDONERROR", c.abortedOnError, "Initialization");
    Cancel();
    // Honours the request at its next callback.
    WorkerOf<LambdaWorker> worker(session, [](LambdaWorker& self) {
      ASSERT_TRUE(Eventually([&] { return self.TerminateRequested(); }));
    });
    const WaitOutcome outcome = WaitForWorker(session, *worker, {"Cancel at Find-Files Time", true});
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.endedByForce);
    EXPECT_EQ(outcome.endScript, c.expectEndScript);
    EXPECT_EQ(Var("ABORTEDONERROR"), c.expectAbortedOnError);
    ASSERT_EQ(temp.machine.ui.shown.size(), c.expectBox ? 1u : 0u);
    if (c.expectBox) {
      EXPECT_EQ(temp.machine.ui.shown[0].text, "Setup cancelled");
      EXPECT_EQ(temp.machine.ui.shown[0].caption, "Sample - Quarrix Wizard");
      EXPECT_EQ(temp.machine.ui.shown[0].icon, MessageIcon::Error);
    }
  }
}

TEST_F(HandshakeTest, SilentWorkerIsEndedByTheWatchdogOneIntervalAfterCancellation) {
  temp.machine.threads.realWaitMs = 0;
  std::atomic<bool> release{false};
  WorkerOf<LambdaWorker> worker(session, [&](LambdaWorker& self) {
    // Stuck where no request reaches it; when it finally comes back its work is stale.
    ASSERT_TRUE(Eventually([&] { return release.load(); }));
    self.ReportProgress("late", 0, 100, 99);
    self.PublishResult([&] { self.result = "late"; });
  });
  session.variables.StoreVariable(kThProgressText, "before");
  const uint32_t start = Tick();
  temp.machine.threads.onIdle = [&] {
    if (Tick() - start == 1000) Cancel();  // the user cancels one second in
  };
  const WaitOutcome outcome = WaitForWorker(session, *worker);
  EXPECT_TRUE(outcome.endedByForce);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(Tick() - start, 1000u + Watchdog::kIntervalMs) << "ended exactly one interval after the cancel";
  EXPECT_EQ(temp.machine.threads.TerminatedCount(), 1);

  release = true;
  worker->StopAndJoin();
  EXPECT_EQ(worker->result, "untouched") << "an ended worker publishes nothing";
  EXPECT_EQ(Var(kThProgressText), "before") << "nor reaches the store";
}

TEST_F(HandshakeTest, WorkerThatKeepsReportingAfterCancellationIsNeverEnded) {
  constexpr uint32_t kWorkMs = 3 * Watchdog::kIntervalMs;
  std::atomic<uint32_t> reportedTick{0};
  const uint32_t start = Tick();
  WorkerOf<LambdaWorker> worker(session, [&](LambdaWorker& self) {
    // Ignores the request and finishes its work, reporting whenever time has moved on.
    for (;;) {
      const uint32_t now = Tick();
      if (now - start >= kWorkMs) return;
      if (reportedTick.load() != now) {
        self.ReportProgress("$IGNORE$", 0, kWorkMs, now - start);
        reportedTick = now;
      }
      std::this_thread::yield();
    }
  });
  temp.machine.threads.idleStepMs = 500;
  temp.machine.threads.realWaitMs = 0;
  // Lock step: simulated time moves on only after the worker has reported for the last step, or
  // has finished: time running on while its thread winds down would make it a silent worker->
  temp.machine.threads.onIdle = [&] {
    ASSERT_TRUE(Eventually([&] { return reportedTick.load() == Tick() || worker->Finished(); }));
  };
  Cancel();
  const WaitOutcome outcome = WaitForWorker(session, *worker);
  EXPECT_FALSE(outcome.endedByForce);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(temp.machine.threads.TerminatedCount(), 0);
  EXPECT_GE(Tick() - start, kWorkMs);
}

TEST_F(HandshakeTest, SilentRunBlocksOnTheWorkerWithoutPumpingOrWatchdog) {
  session.silent = true;
  Cancel();
  const uint32_t start = Tick();
  WorkerOf<LambdaWorker> worker(session, [](LambdaWorker& self) {
    ASSERT_TRUE(Eventually([&] { return self.TerminateRequested(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
  const WaitOutcome outcome = WaitForWorker(session, *worker);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_FALSE(outcome.endedByForce);
  EXPECT_EQ(Tick(), start) << "no message was pumped, so no time passed in the message loop";
}

TEST_F(HandshakeTest, ScriptThreadHandsBackThePluginTextOrThePassedVariables) {
  using platform::PluginCallResult;
  using platform::PluginOutcome;
  struct Case {
    const char* label;
    PluginEntry entry;
    std::string expected;
    PluginOutcome outcome;
  };
  auto answering = [](PluginOutcome outcome, std::string output) -> PluginEntry {
    return [=](const ScriptThreadInputs&, const PluginProgress&) { return PluginCallResult{outcome, output}; };
  };
  const std::vector<Case> cases = {
      {"returned text",
       [](const ScriptThreadInputs& in, const PluginProgress&) {
         return PluginCallResult{PluginOutcome::Returned, in.variablesText + ",B=2"};
       },
       "A=1,B=2", PluginOutcome::Returned},
      {"returned nothing", answering(PluginOutcome::Returned, ""), "", PluginOutcome::Returned},
      {"-1", answering(PluginOutcome::Failed, "ignored"), "A=1", PluginOutcome::Failed},
      {"output lost", answering(PluginOutcome::OutputLost, "ignored"), "A=1", PluginOutcome::OutputLost},
      {"not loaded", answering(PluginOutcome::NotLoaded, ""), "A=1", PluginOutcome::NotLoaded},
      {"throws", [](const ScriptThreadInputs&, const PluginProgress&) -> PluginCallResult {
         throw std::runtime_error("crashed");
       },
       "A=1", PluginOutcome::Raised},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WorkerOf<TScriptThread> thread(session, ScriptThreadInputs{"C:\\plug.dll", 0, "A=1", "params"}, c.entry);
    WaitForWorker(session, *thread);
    EXPECT_EQ(thread->Result(), c.expected);
    EXPECT_EQ(thread->Outcome(), c.outcome);
  }
}

TEST_F(HandshakeTest, PluginProgressReportsPercentAndAsksToStopOnceCancelled) {
  std::vector<bool> answers;
  std::atomic<bool> firstReported{false};
  PluginEntry entry = [&](const ScriptThreadInputs&, const PluginProgress& progress) {
    answers.push_back(progress(40, "Half way"));
    firstReported = true;
    EXPECT_TRUE(Eventually([&] { return !progress(41, "Still going"); }));
    answers.push_back(false);
    return platform::PluginCallResult{platform::PluginOutcome::Returned, "stopped"};
  };
  WorkerOf<TScriptThread> thread(session, ScriptThreadInputs{"C:\\plug.dll", 0, "", ""}, entry);
  temp.machine.threads.onIdle = [&] {
    if (firstReported) Cancel();
  };
  WaitForWorker(session, *thread);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_TRUE(answers[0]);
  EXPECT_EQ(Var(kThMin), "1");
  EXPECT_EQ(Var(kThMax), "100");
  EXPECT_EQ(Var(kThProgress), "41");
  EXPECT_EQ(Var(kThProgressText), "Still going");
  EXPECT_EQ(thread->Result(), "stopped");
}

}  // namespace
}  // namespace quarrix

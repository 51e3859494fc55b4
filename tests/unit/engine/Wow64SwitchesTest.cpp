#include "engine/Wow64Switches.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/Session.h"
#include "engine/Worker.h"
#include "engine/WorkerHandshake.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

using platform::RegistryView;

class Wow64SwitchesTest : public ::testing::Test {
 protected:
  Wow64SwitchesTest() : session(temp.machine.AsPlatform()) {
    StoreHandshakeVariables(session.variables, temp.machine.clock);
  }

  // The machines the engine meets: the 32-bit build on 64-bit Windows, the 64-bit build there,
  // and the 32-bit build on 32-bit Windows.
  void Machine(bool system64Bit, bool processWow64) {
    temp.machine.system.system64Bit = system64Bit;
    temp.machine.system.processWow64 = processWow64;
  }

  bool Off() { return temp.machine.system.RedirectionOffOnThisThread(); }

  testing::TempMachine temp;
  Session session;
};

TEST(Wow64Rule, RegistryViewFollowsThePlatformModeOnlyOnA64BitSystem) {
  struct Case {
    const char* mode;
    bool wow64;
    RegistryView view;
  };
  const std::vector<Case> cases = {
      {"Win32", true, RegistryView::Force32}, {"x64", true, RegistryView::Force64},
      {"ia64", true, RegistryView::Force64},  {"Win32", false, RegistryView::Default},
      {"x64", false, RegistryView::Default},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.wow64 ? " on 64-bit" : " on 32-bit"));
    EXPECT_EQ(RegistryViewForPlatformMode(c.mode, c.wow64), c.view);
  }
}

TEST_F(Wow64SwitchesTest, BracketSwitchesRedirectionAndViewForItsLifetimeOnly) {
  struct Case {
    const char* what;
    bool system64Bit;
    bool processWow64;
    std::string mode;
    bool offInside;
    RegistryView viewInside;
    RegistryView viewAfter;
  };
  const std::vector<Case> cases = {
      {"32-bit engine in x64 mode", true, true, "x64", true, RegistryView::Force64, RegistryView::Force32},
      {"32-bit engine in Win32 mode", true, true, "Win32", false, RegistryView::Force32, RegistryView::Force32},
      // The system refuses redirection to a 64-bit process; the views follow the 32-bit rules.
      {"64-bit engine in x64 mode", true, false, "x64", false, RegistryView::Force64, RegistryView::Force32},
      {"32-bit Windows in x64 mode", false, false, "x64", false, RegistryView::Default, RegistryView::Default},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine(c.system64Bit, c.processWow64);
    session.run.platformMode = c.mode;
    {
      const Wow64Bracket bracket(session);
      EXPECT_EQ(Off(), c.offInside);
      EXPECT_EQ(CurrentRegistryView(session), c.viewInside);
    }
    EXPECT_FALSE(Off());
    EXPECT_FALSE(session.wow64.mainThreadSwitched);
    EXPECT_EQ(CurrentRegistryView(session), c.viewAfter);
    {
      const RegistryViewScope registryOnly(session);
      EXPECT_FALSE(Off());
      EXPECT_EQ(CurrentRegistryView(session), c.viewInside);
    }
    EXPECT_EQ(CurrentRegistryView(session), c.viewAfter);
  }
}

TEST_F(Wow64SwitchesTest, MainThreadSwitchesOnceUntilItReverts) {
  session.run.platformMode = "x64";
  DisableRedirection(session, false);
  ASSERT_TRUE(Off());
  // A second switch-off finds the flag and leaves the system's state alone: one revert ends it.
  DisableRedirection(session, false);
  RevertRedirection(session, false);
  EXPECT_FALSE(Off());
  // Without the flag the revert does nothing, even while the thread has redirection off.
  uintptr_t old = 0;
  temp.machine.system.RedirectionOff(old);
  RevertRedirection(session, false);
  EXPECT_TRUE(Off());
}

TEST_F(Wow64SwitchesTest, RevertInWin32ModeLeavesRedirectionAsItIs) {
  session.run.platformMode = "x64";
  {
    const Wow64Bracket bracket(session);
    session.run.platformMode = "Win32";
  }
  // In "Win32" mode the revert does nothing: the switch stays off, as the engine leaves it.
  EXPECT_TRUE(Off());
}

class ThreadProbe final : public Worker {
 public:
  ThreadProbe(WorkerKey key, Session& session, std::function<void()> body) : Worker(key, session), body_(std::move(body)) {}

 protected:
  void Execute() override { body_(); }

 private:
  std::function<void()> body_;
};

TEST_F(Wow64SwitchesTest, WorkerSwitchesItsOwnThreadAndTheWaitSetsTheView) {
  struct Case {
    std::string mode;
    bool workerOff;
    RegistryView viewDuringWait;
  };
  const std::vector<Case> cases = {{"x64", true, RegistryView::Force64}, {"Win32", false, RegistryView::Force32}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    session.run.platformMode = c.mode;
    bool workerOff = !c.workerOff;
    RegistryView view = RegistryView::Default;
    WorkerOf<ThreadProbe> worker(session, [&] {
      workerOff = Off();
      view = CurrentRegistryView(session);
    });
    WaitForWorker(session, *worker);
    EXPECT_EQ(workerOff, c.workerOff);
    EXPECT_EQ(view, c.viewDuringWait);
    EXPECT_FALSE(Off());
    EXPECT_EQ(CurrentRegistryView(session), RegistryView::Force32);
  }
}

}  // namespace
}  // namespace quarrix

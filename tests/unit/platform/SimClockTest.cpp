#include "platform/sim/SimClock.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/sim/SimThreads.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

using platform::LocalTime;

TEST(SimClockTest, AdvanceMovesTickAndCalendarTogetherAcrossMonthAndYearEnds) {
  testing::TempMachine temp;
  platform::sim::SimClock& clock = temp.machine.clock;
  LocalTime start;
  start.year = 2024;
  start.month = 2;
  start.day = 28;
  start.hour = 23;
  start.minute = 59;
  start.second = 59;
  start.millisecond = 500;
  clock.SetNow(start);
  clock.SetTickCount(0xFFFFFE00u);

  clock.Advance(600);
  LocalTime now = clock.Now();
  EXPECT_EQ(now.month, 2) << "2024 is a leap year";
  EXPECT_EQ(now.day, 29);
  EXPECT_EQ(now.hour, 0);
  EXPECT_EQ(now.millisecond, 100);
  EXPECT_EQ(now.dayOfWeek, 4);  // a Thursday
  EXPECT_EQ(clock.TickCount(), 0x58u) << "the tick count wraps like the real one";

  for (int day = 0; day < 307; ++day) clock.Advance(24 * 3600 * 1000);
  now = clock.Now();
  EXPECT_EQ(now.year, 2025);
  EXPECT_EQ(now.month, 1);
  EXPECT_EQ(now.day, 1);
}

TEST(SimThreadsTest, WakeUpsEndWaitsAtOnceAndTimedOutWaitsMoveTheClock) {
  testing::TempMachine temp;
  platform::sim::SimThreads& threads = temp.machine.threads;
  platform::sim::SimClock& clock = temp.machine.clock;
  int idleCalls = 0;
  threads.onIdle = [&] { ++idleCalls; };
  const uint32_t start = clock.TickCount();

  std::thread poster([&] { threads.PostWakeUp(); });
  poster.join();
  EXPECT_TRUE(threads.ProcessOneMessage(5000));
  EXPECT_EQ(clock.TickCount(), start) << "a message ends the wait before any time passes";

  EXPECT_FALSE(threads.ProcessOneMessage(5000));
  EXPECT_EQ(clock.TickCount() - start, 5000u);
  threads.idleStepMs = 250;
  EXPECT_FALSE(threads.ProcessOneMessage(5000));
  EXPECT_EQ(clock.TickCount() - start, 5250u);
  EXPECT_EQ(idleCalls, 2);

  threads.PostWakeUp();
  threads.PostWakeUp();
  threads.ProcessPendingMessages();
  EXPECT_FALSE(threads.ProcessOneMessage(0)) << "pending messages were all dispatched";
}

}  // namespace
}  // namespace quarrix

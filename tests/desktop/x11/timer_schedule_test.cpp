// The timers' schedule on a clock of the test's own: ticks on the interval, a late timer ticking
// once, a sleeping one looking once in 43 intervals and, woken, keeping its phase.
#include "desktop/x11/timer_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace oculon::x11 {
namespace {

using namespace std::chrono_literals;
using Clock = TimerSchedule::Clock;

std::vector<int> Fired(TimerSchedule& schedule, Clock::time_point now) {
  std::vector<int> ids;
  schedule.FireDue(now, [&](int id) {
    ids.push_back(id);
    return true;
  });
  return ids;
}

TEST(TimerSchedule, TicksOnItsIntervalAndALateTimerTicksOnce) {
  TimerSchedule schedule;
  Clock::time_point start{};
  ASSERT_TRUE(schedule.Start(1, 70ms, start));
  EXPECT_EQ(schedule.Next(), start + 70ms);
  EXPECT_TRUE(Fired(schedule, start + 69ms).empty());
  EXPECT_EQ(Fired(schedule, start + 70ms), std::vector<int>{1});
  EXPECT_EQ(schedule.Next(), start + 140ms);
  EXPECT_EQ(Fired(schedule, start + 500ms), std::vector<int>{1});  // late: once, afresh
  EXPECT_EQ(schedule.Next(), start + 570ms);
  schedule.Stop(1);
  EXPECT_EQ(schedule.Next(), Clock::time_point::max());
  for (int id = 0; id < 4; ++id) EXPECT_TRUE(schedule.Start(id, 70ms, start));
  EXPECT_FALSE(schedule.Start(9, 70ms, start));  // no slot left
}

TEST(TimerSchedule, ASleepingTimerLooksOnceIn43IntervalsAndWokenKeepsItsPhase) {
  TimerSchedule schedule;
  Clock::time_point start{};
  schedule.Start(1, 70ms, start);
  schedule.Sleep(1);
  EXPECT_FALSE(schedule.Ticking());
  EXPECT_EQ(schedule.Next(), start + 43 * 70ms);
  EXPECT_TRUE(Fired(schedule, start + 42 * 70ms).empty());
  EXPECT_EQ(Fired(schedule, start + 43 * 70ms), std::vector<int>{1});  // the look
  EXPECT_TRUE(schedule.Ticking());
  schedule.Sleep(1);
  schedule.Wake(start + 44 * 70ms + 30ms);
  EXPECT_EQ(schedule.Next(), start + 45 * 70ms);  // on its schedule
}

}  // namespace
}  // namespace oculon::x11

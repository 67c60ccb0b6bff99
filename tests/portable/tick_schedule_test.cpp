// The reader's tick rhythm and the waits between ticks: a wait with time left is never a
// timeout of 0 (which spins until the tick), and a late tick neither drifts nor bursts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "reader/tick_schedule.h"

namespace {

using Clock = TickSchedule::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

const Clock::time_point kStart{std::chrono::seconds(1000)};
constexpr auto kPeriod = microseconds(33000);

TEST(TickWait, TimeLeftIsNeverAZeroTimeout) {
    // Every remaining time from 1 ns to past two milliseconds, in odd steps: the last
    // millisecond before a tick is where truncation gave 0.
    for (std::int64_t ns = 1; ns <= 2'100'000; ns += 997) {
        const nanoseconds left(ns);
        const std::int64_t ms = WaitMillisecondsFor(left, 1'000'000);
        EXPECT_GE(ms, 1) << ns << " ns";
        EXPECT_GE(milliseconds(ms), left) << ns << " ns";  // never wakes before the tick
        EXPECT_LT(milliseconds(ms) - left, milliseconds(1)) << ns << " ns";
        const PreciseWait precise = PreciseWaitFor(left);
        EXPECT_EQ(precise.seconds * 1'000'000'000 + precise.nanoseconds, ns);
        EXPECT_GE(precise.nanoseconds, 0);
        EXPECT_LT(precise.nanoseconds, 1'000'000'000);
    }
}

TEST(TickWait, WholeSecondsAndLimitsAndNothingLeft) {
    const PreciseWait longWait = PreciseWaitFor(milliseconds(2500) + nanoseconds(7));
    EXPECT_EQ(longWait.seconds, 2);
    EXPECT_EQ(longWait.nanoseconds, 500'000'007);
    EXPECT_EQ(WaitMillisecondsFor(std::chrono::hours(24 * 40), 1'000'000), 1'000'000);
    EXPECT_EQ(WaitMillisecondsFor(milliseconds(33), 1'000'000), 33);
    for (const Clock::duration none : {Clock::duration::zero(), Clock::duration(-1), Clock::duration(milliseconds(-40))}) {
        EXPECT_EQ(WaitMillisecondsFor(none, 1'000'000), 0);
        const PreciseWait precise = PreciseWaitFor(none);
        EXPECT_EQ(precise.seconds, 0);
        EXPECT_EQ(precise.nanoseconds, 0);
    }
}

TEST(TickSchedule, WaitsToTheTickAndKeepsTheRhythmWhenALittleLate) {
    TickSchedule ticks(kPeriod, kStart);
    EXPECT_TRUE(ticks.Due(kStart));
    EXPECT_FALSE(ticks.Due(kStart));  // one tick per due time
    EXPECT_EQ(ticks.Remaining(kStart), kPeriod);
    EXPECT_EQ(ticks.Remaining(kStart + microseconds(32999)), microseconds(1));
    EXPECT_FALSE(ticks.Due(kStart + microseconds(32999)));
    // 5 ms late: the next tick stays on the grid, not 33 ms after the late one.
    EXPECT_TRUE(ticks.Due(kStart + microseconds(38000)));
    EXPECT_EQ(ticks.Next(), kStart + 2 * kPeriod);
    EXPECT_EQ(ticks.Remaining(kStart + 2 * kPeriod + microseconds(1)), Clock::duration::zero());
}

TEST(TickSchedule, AMissedPeriodIsNotMadeUpWithABurst) {
    TickSchedule ticks(kPeriod, kStart);
    ASSERT_TRUE(ticks.Due(kStart));
    // Stalled for ten periods (a suspended machine, a busy server): one tick, then a full
    // period to the next.
    const Clock::time_point late = kStart + 10 * kPeriod + microseconds(100);
    EXPECT_TRUE(ticks.Due(late));
    EXPECT_FALSE(ticks.Due(late + microseconds(1)));
    EXPECT_EQ(ticks.Next(), late + kPeriod);
    int fired = 0;
    for (Clock::time_point t = late; t < late + 10 * kPeriod; t += microseconds(500)) fired += ticks.Due(t) ? 1 : 0;
    EXPECT_EQ(fired, 9);
}

}  // namespace

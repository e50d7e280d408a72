#include "dedicated/tick_clock.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t SECOND = 1'000'000'000;

TEST(TickClock, RunsOneTickPerHundredTwentiethOfASecond) {
    TickClock clock = start_tick_clock(5 * SECOND);
    EXPECT_EQ(take_due_ticks(clock, 5 * SECOND), 1u);  // tick 0 is due at once
    EXPECT_EQ(take_due_ticks(clock, 5 * SECOND), 0u);
    EXPECT_EQ(next_tick_due(clock), 5 * SECOND + 8'333'333);
    EXPECT_EQ(take_due_ticks(clock, 5 * SECOND + 8'333'332), 0u);
    EXPECT_EQ(take_due_ticks(clock, 5 * SECOND + 8'333'333), 1u);

    // Polled at odd moments for a long while, exactly 120 per second.
    uint64_t ran = 2;
    for (int64_t t = 5 * SECOND + 8'333'333; t < 5 * SECOND + 100 * SECOND; t += 7'777'777) ran += take_due_ticks(clock, t);
    ran += take_due_ticks(clock, 105 * SECOND - 1);
    EXPECT_EQ(ran, 100u * 120u);
    EXPECT_EQ(next_tick_due(clock), 105 * SECOND);
}

TEST(TickClock, CatchesUpAtMost29TicksAfterAStall) {
    TickClock clock = start_tick_clock(0);
    EXPECT_EQ(take_due_ticks(clock, 0), 1u);
    // Ten ticks late: all ten run.
    EXPECT_EQ(take_due_ticks(clock, 10 * SECOND / 120), 10u);
    // A 2-second stall: 29 run, the rest are dropped, and the schedule goes
    // on from now rather than bursting later.
    const int64_t after_stall = 10 * SECOND / 120 + 2 * SECOND;
    EXPECT_EQ(take_due_ticks(clock, after_stall), 29u);
    EXPECT_EQ(take_due_ticks(clock, after_stall), 0u);
    EXPECT_GT(next_tick_due(clock), after_stall);
    EXPECT_LE(next_tick_due(clock), after_stall + SECOND / 120);
}

}  // namespace

#include "app/clock.h"

#include <gtest/gtest.h>

namespace {

int run_ticks(float& accumulator) {
    int ticks = 0;
    while (take_tick(accumulator)) ++ticks;
    return ticks;
}

TEST(Clock, ALongFrameRunsAtMost29TicksAndCarriesTheRest) {
    float accumulator = accumulate_frame_time(0.0f, 2.0f);
    EXPECT_EQ(accumulator, MAX_FRAME_TIME);
    EXPECT_EQ(run_ticks(accumulator), 29);
    EXPECT_NEAR(accumulator, 0.0083332f, 1e-6f);
    EXPECT_LT(accumulator, TICK);

    // The carried remainder counts toward the next frame, again capped.
    accumulator = accumulate_frame_time(accumulator, 2.0f);
    EXPECT_EQ(accumulator, MAX_FRAME_TIME);
    EXPECT_EQ(run_ticks(accumulator), 29);
}

TEST(Clock, ShortFramesAccumulateIntoWholeTicks) {
    float accumulator = 0.0f;
    int ticks = 0;
    // 100 frames of 1/240 s: 50 ticks, give or take the last one to rounding.
    for (int frame = 0; frame < 100; ++frame) {
        accumulator = accumulate_frame_time(accumulator, 1.0f / 240.0f);
        ticks += run_ticks(accumulator);
    }
    EXPECT_GE(ticks, 49);
    EXPECT_LE(ticks, 50);
    EXPECT_LT(accumulator, TICK);
}

TEST(Clock, RenderClockAdvancesByTheWholeFrameAndWrapsAt3600) {
    EXPECT_FLOAT_EQ(advance_render_clock(10.0f, 2.0f), 12.0f);  // not capped like the ticks
    EXPECT_NEAR(advance_render_clock(3599.5f, 1.0f), 0.5f, 1e-3f);
    EXPECT_EQ(advance_render_clock(3599.0f, 1.0f), 0.0f);
    float r = advance_render_clock(0.0f, -1e-9f);
    EXPECT_GE(r, 0.0f);
    EXPECT_LT(r, RENDER_CLOCK_PERIOD);
}

TEST(Clock, FrameTimeComesFromTheNanosecondCounter) {
    uint64_t last = 1'000'000'000;
    EXPECT_FLOAT_EQ(take_frame_time(3'000'000'000, last), 2.0f);
    EXPECT_EQ(last, 3'000'000'000u);
    EXPECT_EQ(take_frame_time(2'000'000'000, last), 0.0f);  // never negative
}

}  // namespace

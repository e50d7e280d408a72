#pragma once
// Frame timing: real time is measured per frame and spent in whole fixed
// ticks of TICK seconds. All of it is 32-bit float arithmetic.
#include <cstdint>

#include "world/world.h"  // TICK

// The most real time one frame may add to the tick accumulator. A full
// 0.25 s holds 29 ticks and leaves just under one tick to carry over, so
// after a stall the game slows down instead of running hundreds of ticks.
constexpr float MAX_FRAME_TIME = 0.25f;
// The render clock (read by the shaders) wraps after this many seconds.
constexpr float RENDER_CLOCK_PERIOD = 3600.0f;

// Seconds since the previous frame from a nanosecond counter; stores `now_ns`
// as the new previous frame time.
float take_frame_time(uint64_t now_ns, uint64_t& last_frame_ns);

// The render clock advanced by dt, kept in [0, RENDER_CLOCK_PERIOD).
float advance_render_clock(float render_clock, float dt);

// Adds dt to the accumulator, capped at MAX_FRAME_TIME.
float accumulate_frame_time(float tick_accumulator, float dt);

// Takes one tick out of the accumulator if it holds a whole one.
inline bool take_tick(float& tick_accumulator) {
    if (tick_accumulator < TICK) return false;
    tick_accumulator -= TICK;
    return true;
}

#include "app/clock.h"

#include <algorithm>
#include <cmath>

float take_frame_time(uint64_t now_ns, uint64_t& last_frame_ns) {
    // The counter is monotonic; a value that went backwards counts as no time.
    uint64_t elapsed = now_ns >= last_frame_ns ? now_ns - last_frame_ns : 0;
    last_frame_ns = now_ns;
    return static_cast<float>(static_cast<double>(elapsed) / 1e9);
}

float advance_render_clock(float render_clock, float dt) {
    float r = std::fmod(render_clock + dt, RENDER_CLOCK_PERIOD);
    if (r < 0.0f) r += RENDER_CLOCK_PERIOD;
    // Adding the period to a tiny negative value can round up to the period itself.
    if (r >= RENDER_CLOCK_PERIOD) r = 0.0f;
    return r;
}

float accumulate_frame_time(float tick_accumulator, float dt) {
    return std::min(tick_accumulator + dt, MAX_FRAME_TIME);
}

#include "dedicated/tick_clock.h"

#include <chrono>

namespace {

constexpr int64_t NS_PER_SECOND = 1'000'000'000;

// Tick n's offset from the origin: n / 120 s, rounded down to a nanosecond,
// computed from n every time so that rounding never accumulates.
int64_t offset_of(uint64_t n) {
    return static_cast<int64_t>(n / TICKS_PER_SECOND) * NS_PER_SECOND +
           static_cast<int64_t>(n % TICKS_PER_SECOND) * NS_PER_SECOND / TICKS_PER_SECOND;
}

// The number of schedule entries due by `elapsed` ns after the origin.
uint64_t due_by(int64_t elapsed) {
    if (elapsed < 0) return 0;
    const uint64_t whole = static_cast<uint64_t>(elapsed / NS_PER_SECOND) * TICKS_PER_SECOND;
    const uint64_t part = static_cast<uint64_t>(elapsed % NS_PER_SECOND) * TICKS_PER_SECOND / NS_PER_SECOND;
    // The tick at offset 0 counts as due at once.
    uint64_t n = whole + part + 1;
    // Guard the floor division: entry n - 1 must really be due.
    while (n > 0 && offset_of(n - 1) > elapsed) --n;
    while (offset_of(n) <= elapsed) ++n;
    return n;
}

}  // namespace

int64_t monotonic_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int64_t next_tick_due(const TickClock& clock) { return clock.origin_ns + offset_of(clock.scheduled); }

uint32_t take_due_ticks(TickClock& clock, int64_t now_ns) {
    const uint64_t due = due_by(now_ns - clock.origin_ns);
    if (due <= clock.scheduled) return 0;
    const uint64_t missed = due - clock.scheduled;
    clock.scheduled = due;
    return missed > MAX_CATCH_UP_TICKS ? MAX_CATCH_UP_TICKS : static_cast<uint32_t>(missed);
}

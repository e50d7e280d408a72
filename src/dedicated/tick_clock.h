#pragma once
// The server's 120 Hz schedule on a monotonic clock. Tick n is due at
// origin + n / 120 s. After a stall the server runs at most
// MAX_CATCH_UP_TICKS at once and forgets the rest of the missed ones, as the
// client does, so a stall never turns into a long burst.
#include <cstdint>

constexpr int TICKS_PER_SECOND = 120;
constexpr uint32_t MAX_CATCH_UP_TICKS = 29;

struct TickClock {
    int64_t origin_ns = 0;   // when tick 0 of the schedule was due
    uint64_t scheduled = 0;  // schedule entries already run or dropped
};

// Nanoseconds on the monotonic clock.
int64_t monotonic_ns();

inline TickClock start_tick_clock(int64_t now_ns) { return TickClock{now_ns, 0}; }

// When the next tick is due.
int64_t next_tick_due(const TickClock& clock);

// How many ticks to run now (0..MAX_CATCH_UP_TICKS); marks them, and any
// dropped ones, as done.
uint32_t take_due_ticks(TickClock& clock, int64_t now_ns);

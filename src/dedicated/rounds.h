#pragma once
// The dedicated server's maps, by the layout its options chose.
#include <cstdint>

#include "dedicated/options.h"
#include "world/boarding.h"  // round_finished

struct ServerSession;

// The world of a first round: the fixed layout, or the random map of `seed`.
void make_round_world(World& out, MapLayout layout, uint64_t seed);

// Starts the next round in place: a fresh map (the random layout draws it
// from `seed`), the rules kept, and every player in a slot spawned afresh.
void start_next_round(ServerSession& session, MapLayout layout, uint64_t seed);

#pragma once
// Rounds on a server that plays map after map: the world a round starts
// from, and the next round once a won round's countdown has run out. The
// dedicated server and the practice game both play this way.
#include <cstdint>

#include "world/world.h"

struct ServerSession;

// The world of a round: the random map of `seed`, or the plain fixed layout.
void make_round_world(World& out, bool random_layout, uint64_t seed);

// Starts the next round in place: a fresh map, the rules kept, and every
// player in a slot (people and bots) spawned afresh.
void start_next_round(ServerSession& session, bool random_layout, uint64_t seed);

#include "dedicated/rounds.h"

#include "server/rounds.h"

void make_round_world(World& out, MapLayout layout, uint64_t seed) {
    make_round_world(out, layout == MapLayout::Random, seed);
}

void start_next_round(ServerSession& session, MapLayout layout, uint64_t seed) {
    start_next_round(session, layout == MapLayout::Random, seed);
}

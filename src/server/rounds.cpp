#include "server/rounds.h"

#include "server/server_session.h"
#include "world/generate.h"
#include "world/random_map.h"

void make_round_world(World& out, bool random_layout, uint64_t seed) {
    if (random_layout) generate_random_world(out, seed);
    else generate_world(out);
}

void start_next_round(ServerSession& session, bool random_layout, uint64_t seed) {
    World& w = session.world;
    const Rules kept = w.rules;
    make_round_world(w, random_layout, seed);
    w.rules = kept;
    // The slots stay as they are; only their planes start over.
    for (uint8_t slot = 0; slot < MAX_PLANES; ++slot) {
        if (session.slots[slot].in_use) spawn_plane(w, slot);
    }
    world_replaced(session);  // v21 clients are sent the new world whole
}

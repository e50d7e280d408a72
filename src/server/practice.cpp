#include "server/practice.h"

#include <memory>
#include <new>

#include "server/bot_slots.h"
#include "server/rounds.h"
#include "world/boarding.h"

ServerSession* create_practice_session(uint64_t seed, BotSkill skill) {
    std::unique_ptr<World> world(new (std::nothrow) World);
    if (!world) return nullptr;
    make_round_world(*world, true, seed);
    ServerSession* s = create_session(*world);
    if (!s) return nullptr;
    s->map_seed = seed;
    set_bots(*s, 1 + PRACTICE_BOTS, skill, false, seed);
    s->after_tick = practice_tick;
    return s;
}

void practice_tick(ServerSession& s) {
    if (!round_finished(s.world)) return;
    ++s.map_seed;
    start_next_round(s, true, s.map_seed);
}

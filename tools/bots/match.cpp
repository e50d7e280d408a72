#include "bots/match.h"

#include "server/bot_slots.h"
#include "server/server_session.h"
#include "world/random_map.h"

namespace {

void quiet(LogLevel, std::string_view) {}

void count_purchases(const World& w, MatchResult& r) {
    for (uint64_t i = 0; i < w.event_count && i < MAX_EVENTS; ++i) {
        const WorldEvent& e = w.events[i];
        if (e.kind != EVENT_PURCHASE || !is_slot(e.a)) continue;
        const uint32_t n = r.purchase_count[e.a]++;
        if (n < PURCHASES_KEPT) r.purchases[e.a][n] = {e.b, static_cast<uint32_t>(r.ticks / 120)};
    }
}

// What a plane carries, all four resources.
struct Carried {
    uint32_t units[RESOURCE_KINDS + 1];
};

Carried carried(const Plane& p) { return {{p.resources[0], p.resources[1], p.resources[2], p.sun_resource}}; }

// Between two ticks a plane's resources grow only by gathering (purchases
// take some away), so the growth is what it gathered.
void count_gathered(const World& w, const Carried before[MAX_PLANES], MatchResult& r) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Carried now = carried(w.planes[i]);
        for (int k = 0; k <= RESOURCE_KINDS; ++k) {
            if (now.units[k] > before[i].units[k]) r.gathered[i] += now.units[k] - before[i].units[k];
        }
    }
}

void count_deaths(const World& w, const bool was_dead[MAX_PLANES], MatchResult& r) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        if (!p.in_use || !p.dead || was_dead[i]) continue;
        Deaths& d = r.deaths[i];
        if (is_slot(p.killer)) ++d.shot;
        else if (p.killer == KILL_SUN) ++d.sun;
        else if (p.killer == KILL_PLANET) ++d.planet;
        else if (p.killer == KILL_OBJECT) ++d.object;
    }
}

}  // namespace

MatchResult play_match(const MatchSetup& setup) {
    World* world = new World;
    generate_random_world(*world, setup.seed);
    ServerSession* s = create_session(*world);
    delete world;
    MatchResult r;
    if (!s) return r;
    s->log_sink = quiet;
    set_bots(*s, static_cast<uint8_t>(setup.bots), BotSkill::Normal, true, setup.seed);
    keep_bot_count(*s);
    for (int i = 0; i < setup.bots && i < MAX_PLANES; ++i) s->bots.bots[i].skill = setup.skills[i];

    while (r.ticks < setup.tick_limit && s->world.winner == NONE) {
        bool was_dead[MAX_PLANES];
        Carried before[MAX_PLANES];
        for (int i = 0; i < MAX_PLANES; ++i) {
            was_dead[i] = s->world.planes[i].dead;
            before[i] = carried(s->world.planes[i]);
        }
        server_tick(*s);
        ++r.ticks;
        count_purchases(s->world, r);
        count_gathered(s->world, before, r);
        count_deaths(s->world, was_dead, r);
    }
    r.winner = s->world.winner;
    destroy_session(s);
    return r;
}

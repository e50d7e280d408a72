#include "client/hud_values.h"

#include <algorithm>

namespace {

float health_fraction(const World& w, bool joined, uint64_t own_slot) {
    if (!joined || own_slot >= MAX_PLANES || !w.planes[own_slot].in_use) return 1.0f;
    // The rules come from the server; a zero plane health names no fraction.
    if (w.rules.plane_health == 0) return 1.0f;
    return static_cast<float>(w.planes[own_slot].health) / static_cast<float>(w.rules.plane_health);
}

}  // namespace

void update_hud(HudValues& hud, const World& world, bool joined, uint64_t own_slot) {
    for (float& v : hud.hit_flash) v = std::max(0.0f, v - TICK);
    if (joined) {
        for (uint64_t i = 0; i < world.event_count && i < MAX_EVENTS; ++i) {
            const WorldEvent& e = world.events[i];
            if (e.kind == EVENT_SHIELD_HIT && is_slot(e.a)) hud.hit_flash[e.a] = HIT_FLASH_TIME;
        }
    }

    const float f = health_fraction(world, joined, own_slot);
    if (f < hud.shown_health) {
        hud.time_since_damage = TICK;
        hud.shown_health = f;
        if (f >= hud.health_trail) hud.health_trail = f;
        return;
    }
    hud.time_since_damage += TICK;
    hud.shown_health = f;
    if (f >= hud.health_trail) {
        hud.health_trail = f;
    } else if (hud.time_since_damage > TRAIL_DELAY) {
        hud.health_trail = std::max(hud.health_trail - TRAIL_FALL_PER_TICK, f);
    }
}

#include "bots/sight.h"

#include "world/forces.h"
#include "world/geometry.h"
#include "world/world_limits.h"

namespace {

constexpr float OPEN_SPACE_MARGIN = 250.0f;  // beyond a body's gravity range
constexpr int GRID_X = 24;
constexpr int GRID_Y = 14;

}  // namespace

bool is_live_collector(const WorldObject& o) { return o.kind == OBJECT_COLLECTOR && !o.destroyed && !o.free; }

uint8_t holder_of(const World& w, int k) {
    for (uint8_t i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        if (p.in_use && !p.dead && p.hook_out && p.hook_state == HOOK_ATTACHED && p.hook_object == k) return i;
    }
    return NONE;
}

bool carries_enough(const Plane& p, const Rules& rules) {
    for (uint32_t r : p.resources) {
        if (r < rules.win_amount) return false;
    }
    return true;
}

void resource_needs(const World& w, uint8_t slot, bool has_station, uint32_t need[RESOURCE_KINDS]) {
    const Plane& p = w.planes[slot];
    const uint32_t target = w.rules.win_amount + (has_station ? 0u : w.rules.upgrade_station_cost);
    for (int i = 0; i < RESOURCE_KINDS; ++i) need[i] = p.resources[i] < target ? target - p.resources[i] : 0u;
}

int own_station(const World& w, uint8_t slot) {
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (o.kind == OBJECT_STATION && !o.free && !o.destroyed && o.owner == slot) return i;
    }
    return -1;
}

float field_distance(const World& w, Vec2 a, Vec2 b) { return length(wrapped_delta(a, b, w.size)); }

int nearest_vessel(const World& w, Vec2 p) {
    int best = -1;
    float best_dist = 0;
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (o.kind != OBJECT_VESSEL || o.free || o.destroyed) continue;
        const float d = field_distance(w, p, o.pos);
        if (best < 0 || d < best_dist) {
            best = i;
            best_dist = d;
        }
    }
    return best;
}

int sun_index(const World& w) {
    for (int i = 0; i < body_limit(w); ++i) {
        if (w.bodies[i].is_sun) return i;
    }
    return -1;
}

Vec2 open_space_near(const World& w, Vec2 from) {
    Vec2 best = from;
    float best_dist = -1.0f;
    for (int gy = 0; gy < GRID_Y; ++gy) {
        for (int gx = 0; gx < GRID_X; ++gx) {
            const Vec2 q{(static_cast<float>(gx) + 0.5f) * w.size.x / GRID_X,
                         (static_cast<float>(gy) + 0.5f) * w.size.y / GRID_Y};
            bool open = true;
            for (int i = 0; i < body_limit(w) && open; ++i) {
                const CelestialBody& b = w.bodies[i];
                open = field_distance(w, q, b.pos) > reach_of(b).gravity_range + OPEN_SPACE_MARGIN;
            }
            if (!open) continue;
            const float d = field_distance(w, from, q);
            if (best_dist < 0.0f || d < best_dist) {
                best = q;
                best_dist = d;
            }
        }
    }
    return best;
}

#include "render/minimap.h"

#include "render/map_colors.h"
#include "render/panels.h"
#include "render/shapes.h"
#include "render/view.h"
#include "world/stations.h"
#include "world/world_limits.h"

namespace {

constexpr Color LOCAL_GLOW = {1, 1, 1, 0.25f};
constexpr Color MINIMAP_FRAME = {0.4f, 0.45f, 0.6f, 0.7f};
constexpr float ORBIT_RING_DISTANCE = 320;

// Every body at nine copies, so one near an edge shows on the opposite edge too.
void push_bodies(CapsuleList& list, const World& w, Vec2 origin, Vec2 size, float k, float u) {
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            const Vec2 shift = {static_cast<float>(i) * size.x, static_cast<float>(j) * size.y};
            for (int b = 0; b < body_limit(w); ++b) {
                const CelestialBody& body = w.bodies[b];
                const Vec2 at = origin + body.pos * k + shift;
                push_disc(list, at, body.radius * k, with_alpha(body_mark_color(body), 0.8f));
                if (!body.is_sun) {
                    push_ring(list, at, (body.radius + ORBIT_RING_DISTANCE) * k, 0.6f * u,
                              resource_color(body.resource));
                }
            }
        }
    }
}

void push_structures(CapsuleList& list, const World& w, Vec2 origin, float k, float u) {
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (o.destroyed || o.free) continue;
        const bool station = o.kind == OBJECT_STATION;
        const Vec2 p = wrap_into(station ? station_centre(o) : o.pos, w.size);
        const float f = station ? 1.6f : (o.kind == OBJECT_VESSEL ? 2.0f : 1.0f);
        const Vec2 at = origin + p * k;
        push_disc(list, at, f * 2.5f * u, structure_color(w, o));
        if (station) push_disc(list, at, 1.6f * 2.5f * u - 1.5f * u, MINIMAP_BACKGROUND);
    }
}

void push_planes(CapsuleList& list, const World& w, uint8_t local_slot, Vec2 origin, float k, float u) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        if (!p.in_use || p.dead) continue;
        const Vec2 at = origin + wrap_into(p.pos, w.size) * k;
        if (i == local_slot) push_blob(list, at, 9 * u, LOCAL_GLOW);
        push_disc(list, at, 2.5f * u, player_color(static_cast<uint8_t>(i)));
    }
}

}  // namespace

bool minimap_visible(const World* w, uint8_t local_slot, bool on_playing_screen, bool minimap_shown) {
    if (!w || !on_playing_screen || !minimap_shown || !is_slot(local_slot)) return false;
    const Plane& p = w->planes[local_slot];
    return p.in_use && p.has_minimap;
}

void push_minimap(CapsuleList& list, const World& w, uint8_t local_slot, const Rect& box, float u) {
    const Vec2 origin = {box.x, box.y};
    const Vec2 size = {box.w, box.h};
    const float k = w.size.x > 0 ? box.w / w.size.x : 0;
    push_segment(list, {box.x, box.y + box.h / 2}, {box.x + box.w, box.y + box.h / 2}, box.h,
                 MINIMAP_BACKGROUND);
    push_bodies(list, w, origin, size, k, u);
    push_structures(list, w, origin, k, u);
    push_planes(list, w, local_slot, origin, k, u);
    push_frame(list, box, u, 0.75f * u, MINIMAP_FRAME);
}

#include "render/radar.h"

#include <cmath>

#include "render/map_colors.h"
#include "render/view.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/stations.h"
#include "world/world_limits.h"

namespace {

void push_blip(CapsuleList& list, const RenderCopy& copy, Vec2 p, float reach, float radius, Color c) {
    const Blip blip = radar_blip(nearest_offset(p - copy.camera, copy.world.size), reach);
    if (blip.shown) push_disc(list, copy.camera + blip.offset, radius, with_alpha(c, c.a * blip.fade));
}

}  // namespace

Blip radar_blip(Vec2 d, float reach) {
    if (within_view(d, reach)) return {false, {0, 0}, 0};
    const float scale = std::fmin(RADAR_HALF_WIDTH / std::fmax(std::fabs(d.x), 0.001f),
                                  RADAR_HALF_HEIGHT / std::fmax(std::fabs(d.y), 0.001f));
    const float distance = std::sqrt(dot(d, d));
    const float fade = std::fmin(std::fmax(1 - (distance - VIEW_CORNER_DISTANCE) / 2000, RADAR_MIN_FADE), 1.0f);
    return {true, d * scale, fade};
}

bool radar_on(const RenderCopy& copy) {
    if (!is_slot(copy.local_slot)) return false;
    const Plane& p = copy.world.planes[copy.local_slot];
    return p.in_use && p.has_radar;
}

void push_radar(CapsuleList& list, const RenderCopy& copy) {
    if (!radar_on(copy)) return;
    const World& w = copy.world;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        if (i == copy.local_slot || !p.in_use || p.dead) continue;
        push_blip(list, copy, copy.drawn[i], PLANE_RADIUS, 7, player_color(static_cast<uint8_t>(i)));
    }
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (o.destroyed || o.free) continue;
        const Color c = structure_color(w, o);
        if (o.kind == OBJECT_STATION) {
            push_blip(list, copy, station_centre(o), length(o.hull_offset) + 95, 11.2f, c);
        } else {
            push_blip(list, copy, o.pos, object_radius(o), o.kind == OBJECT_VESSEL ? 14.0f : 7.0f, c);
        }
    }
}

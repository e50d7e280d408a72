#include "render/radar.h"

#include <cmath>

#include "render/map_colors.h"
#include "render/view.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/stations.h"
#include "world/world_limits.h"

namespace {

void push_blip(CapsuleList& list, const RadarView& view, Vec2 p, float reach, float radius, Color c) {
    const Blip blip = radar_blip(nearest_offset(p - view.camera, view.world.size), reach);
    if (blip.shown) push_disc(list, view.camera + blip.offset, radius, with_alpha(c, c.a * blip.fade));
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

bool radar_on(const World& w, uint8_t local_slot) {
    if (!is_slot(local_slot)) return false;
    const Plane& p = w.planes[local_slot];
    return p.in_use && p.has_radar;
}

void push_radar(CapsuleList& list, const RadarView& view) {
    const World& w = view.world;
    if (!radar_on(w, view.local_slot)) return;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        if (i == view.local_slot || !p.in_use || p.dead) continue;
        push_blip(list, view, view.drawn[i], PLANE_RADIUS, 7, player_color(static_cast<uint8_t>(i)));
    }
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (o.destroyed || o.free) continue;
        const Color c = structure_color(w, o);
        if (o.kind == OBJECT_STATION) {
            push_blip(list, view, station_centre(o), length(o.hull_offset) + 95, 11.2f, c);
        } else {
            push_blip(list, view, o.pos, object_radius(o), o.kind == OBJECT_VESSEL ? 14.0f : 7.0f, c);
        }
    }
}

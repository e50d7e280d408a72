#include "render/map_colors.h"

#include "render/shapes.h"

Color brighter_look_color(const PlanetLook& look) {
    const float a = look.color_a.r + look.color_a.g + look.color_a.b;
    const float b = look.color_b.r + look.color_b.g + look.color_b.b;
    return a >= b ? look.color_a : look.color_b;
}

Color body_mark_color(const CelestialBody& b) {
    return b.is_sun ? SUN_MARK_COLOR : with_alpha(brighter_look_color(planet_look(b.look)), 1);
}

Color structure_color(const World& w, const WorldObject& o) {
    switch (o.kind) {
    case OBJECT_STATION: return STATION_MARK_COLOR;
    case OBJECT_VESSEL: return VESSEL_MARK_COLOR;
    case OBJECT_TURRET: return owned_object_color(w, o);
    default: return OBJECT_COLOR;
    }
}

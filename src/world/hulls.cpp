#include "world/hulls.h"

#include <cmath>

#include "world/fmath.h"
#include "world/geometry.h"
#include "world/world_limits.h"

void plane_hull_sc(Vec2 pos, float s, float c, Vec2 out[3]) {
    Vec2 f{c, s};
    Vec2 side{-s, c};
    Vec2 rear = pos - 10.0f * f;
    out[0] = pos + 14.0f * f;
    out[1] = rear + 11.0f * side;
    out[2] = rear - 11.0f * side;
}

void plane_hull(Vec2 pos, float angle, Vec2 out[3]) {
    float s, c;
    fsincos(angle, s, c);
    plane_hull_sc(pos, s, c, out);
}

int hull_point_count(const WorldObject& o) {
    return o.point_count > MAX_HULL_POINTS ? MAX_HULL_POINTS : static_cast<int>(o.point_count);
}

int object_hull_at(const WorldObject& o, Vec2 pos, Vec2 out[MAX_HULL_POINTS]) {
    int n = hull_point_count(o);
    float s, c;
    fsincos(o.angle, s, c);
    for (int i = 0; i < n; ++i) out[i] = pos + rotate_sc(o.points[i], s, c);
    return n;
}

float object_radius(const WorldObject& o) {
    int n = hull_point_count(o);
    float largest = 0.0f;
    for (int i = 0; i < n; ++i) {
        float l = length(o.points[i]);
        if (l > largest) largest = l;
    }
    return 2.5f + largest;
}

void fill_hull_cache(const World& w, HullCache& cache) {
    int count = object_limit(w);
    for (int k = 0; k < count; ++k) {
        const WorldObject& o = w.objects[k];
        fsincos(o.angle, cache.sin[k], cache.cos[k]);
        cache.radius[k] = object_radius(o);
    }
}

int cached_hull_at(const World& w, const HullCache& cache, int k, Vec2 pos, Vec2 out[MAX_HULL_POINTS]) {
    const WorldObject& o = w.objects[k];
    int n = hull_point_count(o);
    for (int i = 0; i < n; ++i) out[i] = pos + rotate_sc(o.points[i], cache.sin[k], cache.cos[k]);
    return n;
}

#include "world/reach.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "world/collision.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/world_limits.h"

namespace {

const Vec2 SIZE{WORLD_WIDTH, WORLD_HEIGHT};

struct Draw {
    uint64_t state = 0x2545F4914F6CDD1Dull;
    float unit() {  // [0, 1)
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<float>(state >> 40) * 5.9604645e-8f;
    }
    float range(float lo, float hi) { return lo + (hi - lo) * unit(); }
};

// Objects of the shapes the game builds, somewhere near a seam or not.
WorldObject some_object(Draw& d) {
    const Vec2 octagon[8] = {{14, 0}, {9.899495f, 9.899495f}, {0, 14}, {-9.899495f, 9.899495f},
                             {-14, 0}, {-9.899495f, -9.899495f}, {0, -14}, {9.899495f, -9.899495f}};
    const Vec2 cap[5] = {{-105.81094f, 36.86184f}, {-119.91548f, 20.77869f}, {-125, 0},
                         {-119.91548f, -20.778687f}, {-105.810936f, -36.861847f}};
    WorldObject o;
    switch (static_cast<int>(d.unit() * 3)) {
        case 0: o = make_collector({0, 0}, 0, Rules{}); break;
        case 1: o = polygon_body(octagon, 8); break;
        default: o = polygon_body(cap, 5); break;
    }
    float x = d.unit() < 0.3f ? d.range(-30, 30) : d.range(0, WORLD_WIDTH);
    float y = d.unit() < 0.3f ? d.range(WORLD_HEIGHT - 30, WORLD_HEIGHT + 20) : d.range(0, WORLD_HEIGHT);
    o.pos = {x, y};
    o.angle = d.range(0, TWO_PI);
    return o;
}

// What the reach tests rule out, the exact tests never find: segments and
// hulls are drawn around the edge of the reach, where a wrong margin would show.
TEST(Reach, RuledOutSweepsNeverHit) {
    Draw d;
    int ruled_out = 0, hits = 0;
    for (int i = 0; i < 200000; ++i) {
        WorldObject o = some_object(d);
        float radius = object_radius(o);
        float at = d.range(0, TWO_PI);
        float distance = radius + d.range(-6, 6);
        Vec2 p0 = wrap(o.pos + rotate({distance, 0}, at), SIZE);
        Vec2 move = rotate({d.range(0, 20), 0}, d.range(0, TWO_PI));
        Vec2 hull[MAX_HULL_POINTS];
        int n = object_hull_at(o, nearest_copy(o.pos, p0, SIZE), hull);
        bool hit = sweep_polygon(p0, move, hull, n).hit;
        hits += hit;
        if (!segment_beyond(p0, move, o.pos, radius, SIZE)) continue;
        ++ruled_out;
        ASSERT_FALSE(hit) << "case " << i;
    }
    EXPECT_GT(ruled_out, 5000);
    EXPECT_GT(hits, 5000);
}

TEST(Reach, RuledOutPairsFailTheBroadTestAndTheBodyMargin) {
    Draw d;
    int ruled_out = 0;
    for (int i = 0; i < 200000; ++i) {
        WorldObject o = some_object(d);
        float radius = object_radius(o);
        float other = d.range(2.5f, 400);
        Vec2 b = wrap(o.pos + rotate({radius + other + d.range(-4, 4), 0}, d.range(0, TWO_PI)), SIZE);
        // `b` as another hull's centre of reach `other`...
        float reach = radius + other;
        if (surely_beyond(o.pos, b, reach, reach, SIZE)) {
            ++ruled_out;
            Vec2 delta = wrapped_delta(o.pos, b, SIZE);
            ASSERT_GT(dot(delta, delta), reach * reach) << "case " << i;
        }
        // ... and as a body's centre of radius `other`: the hull stays out of its margin.
        float body_reach = other + radius;
        if (surely_beyond(o.pos, b, body_reach, body_reach, SIZE)) {
            Vec2 hull[MAX_HULL_POINTS];
            int n = object_hull_at(o, o.pos, hull);
            BoundaryPoint q = nearest_boundary_point(hull, n, nearest_copy(b, o.pos, SIZE));
            ASSERT_LE(other + 2.5f - q.distance, 0.0f) << "case " << i;
        }
    }
    EXPECT_GT(ruled_out, 10000);
}

TEST(Reach, MaskAgreesWithTheScalarTestEntryByEntry) {
    Draw d;
    float xs[64], ys[64], reach[64];
    for (int trial = 0; trial < 2000; ++trial) {
        for (int k = 0; k < 64; ++k) {
            xs[k] = d.range(-100, WORLD_WIDTH + 100);
            ys[k] = d.range(-100, WORLD_HEIGHT + 100);
            reach[k] = d.unit() < 0.1f ? -INFINITY : d.range(0, 300);
        }
        if (trial % 7 == 0) xs[trial % 64] = NAN;
        if (trial % 11 == 0) ys[trial % 64] = INFINITY;
        Vec2 p{d.range(0, WORLD_WIDTH), d.range(0, WORLD_HEIGHT)};
        float ex = d.range(0, 400), ey = d.range(0, 400);
        int from = trial % 64;
        uint64_t mask = near_mask(xs, ys, reach, p, ex, ey, SIZE, from);
        for (int k = 0; k < 64; ++k) {
            float dx = std::fabs(xs[k] - p.x), dy = std::fabs(ys[k] - p.y);
            float nx = dx > SIZE.x * 0.5f ? SIZE.x - dx : dx;
            float ny = dy > SIZE.y * 0.5f ? SIZE.y - dy : dy;
            bool near = k >= (from & ~3) && !(nx > reach[k] + ex) && !(ny > reach[k] + ey);
            ASSERT_EQ((mask >> k) & 1, near ? 1u : 0u) << "trial " << trial << " entry " << k;
        }
    }
    EXPECT_EQ(first_bits(0), 0u);
    EXPECT_EQ(first_bits(3), 7u);
    EXPECT_EQ(first_bits(64), ~uint64_t{0});
}

}  // namespace

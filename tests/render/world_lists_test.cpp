// Building the world capsule and planet lists without a GL context: nearest
// copies at the seam, culling by reach, full lists and values from the wire.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "screenshots/scenes.h"
#include "render/world_view.h"

namespace {

struct Lists {
    std::unique_ptr<RenderCopy> copy = std::make_unique<RenderCopy>();
    std::unique_ptr<StarField> stars = std::make_unique<StarField>();
    std::unique_ptr<CapsuleList> capsules = std::make_unique<CapsuleList>();
    PlanetList planets;
    WorldRanges ranges;

    Lists() { scene_menu(*copy, {4800, 2700}, 0); }
    void build() {
        for (int i = 0; i < MAX_PLANES; ++i) copy->drawn[i] = copy->world.planes[i].pos;
        build_world_lists(*copy, *stars, *capsules, planets, ranges);
    }
    const CapsuleInstance& additive(uint32_t i) const { return capsules->items[ranges.additive.first + i]; }
};

TEST(WorldLists, APlaneOnTheSeamIsDrawnOnceAtItsCopyNearestTheCamera) {
    Lists l;
    l.copy->camera = {10, 2700};
    l.copy->world.planes[3] = make_scene_plane(3, {9599, 2700}, 0);
    l.build();
    ASSERT_EQ(l.ranges.additive.count, 4u);  // the four body strokes, once
    for (uint32_t i = 0; i < 4; ++i) {
        const CapsuleInstance& c = l.additive(i);
        EXPECT_NEAR(c.ends[0], -1, 15);
        EXPECT_NEAR(c.ends[2], -1, 15);
        EXPECT_NEAR(c.ends[1], 2700, 15);
    }
    // The nose points along +x, 14 units ahead of the plane.
    EXPECT_FLOAT_EQ(l.additive(0).ends[0], 13);
}

TEST(WorldLists, ThingsAcrossTheSeamAreCulledByTheirReach) {
    // A shot reaches 16: it is drawn while |d.x| <= 16 + 768 and |d.y| <= 16 + 432.
    const struct {
        Vec2 offset;
        bool drawn;
    } cases[] = {
        {{-783, 0}, true}, {{-785, 0}, false}, {{783, 0}, true},  {{785, 0}, false},
        {{0, -447}, true}, {{0, -449}, false}, {{0, 447}, true},  {{0, 449}, false},
    };
    Vec2 camera = {20, 5390};  // next to the world's corner, so every case crosses a seam
    for (const auto& c : cases) {
        Lists l;
        l.copy->camera = camera;
        Shot s{};
        s.pos = {std::fmod(camera.x + c.offset.x + 9600.0f, 9600.0f), std::fmod(camera.y + c.offset.y + 5400.0f, 5400.0f)};
        s.vel = {100, 0};
        l.copy->world.shots[0] = s;
        l.copy->world.shot_count = 1;
        l.build();
        EXPECT_EQ(l.ranges.additive.count, c.drawn ? 2u : 0u) << c.offset.x << ", " << c.offset.y;
        if (c.drawn) {
            EXPECT_NEAR(l.additive(0).ends[0], camera.x + c.offset.x, 0.01f);
            EXPECT_NEAR(l.additive(0).ends[1], camera.y + c.offset.y, 0.01f);
        }
    }
}

TEST(WorldLists, AFullListDropsWhatComesAfter) {
    auto list = std::make_unique<CapsuleList>();
    list->capacity = 3;
    for (int i = 0; i < 5; ++i) push_disc(*list, {static_cast<float>(i), 0}, 1, {1, 1, 1, 1});
    EXPECT_EQ(list->count, 3u);
    EXPECT_EQ(list->items[2].ends[0], 2);

    // 4 bodies and 64 station domes ask for 72 planet instances: the list keeps
    // 48, the bodies first, and no nebula fits.
    Lists l;
    World& w = l.copy->world;
    add_body(w, make_scene_planet({4700, 2700}, 0, 1, 0));
    add_body(w, make_scene_planet({4900, 2700}, 3, 1, 1));
    add_body(w, make_scene_planet({4800, 2600}, 4, 1, 2));
    add_body(w, make_scene_sun({4800, 2800}));
    for (int i = 0; i < MAX_OBJECTS; ++i) add_object(w, make_scene_station({4400.0f + 12 * i, 2700}, 0));
    l.build();
    EXPECT_EQ(l.planets.count, PLANET_CAPACITY);
    EXPECT_EQ(l.ranges.bodies.count, PLANET_CAPACITY);
    EXPECT_EQ(l.ranges.nebulae.count, 0u);
    EXPECT_LE(l.capsules->count, WORLD_CAPSULE_CAPACITY);
}

TEST(WorldLists, TheStarFieldFillsItsCacheInAFullSizedWorld) {
    auto stars = std::make_unique<StarField>();
    ensure_star_field(*stars, {9600, 5400});
    EXPECT_EQ(stars->count, STAR_CAPACITY);
    const uint32_t expected[STAR_LAYERS] = {889, 0, 1254, 0, 0, 1685, 268};  // layer 6 is cut short
    for (int l = 0; l < STAR_LAYERS; ++l) EXPECT_EQ(stars->layer_count[l], expected[l]) << "layer " << l;
    EXPECT_EQ(stars_wanted(STAR_LAYER_TABLE[6], {9600, 5400}), 1296u);

    ensure_star_field(*stars, {2000, 1000});  // a smaller world gets every star
    EXPECT_LT(stars->count, STAR_CAPACITY);
    EXPECT_EQ(stars->layer_count[6], stars_wanted(STAR_LAYER_TABLE[6], {2000, 1000}));
}

TEST(WorldLists, AbsurdWorldSizesFromTheWireAskForNoImpossibleStarCount) {
    const Vec2 sizes[] = {{1e30f, 1e30f}, {3e38f, 3e38f}, {1, 1}, {0, 0}, {-9600, 5400}, {NAN, 5400}, {INFINITY, 5400}};
    for (Vec2 size : sizes) {
        for (const StarLayer& layer : STAR_LAYER_TABLE) EXPECT_LE(stars_wanted(layer, size), STAR_CAPACITY);
        Lists l;
        l.copy->world.size = size;
        l.copy->world.planes[0] = make_scene_plane(0, {4800, 2700}, 0);
        l.build();
        EXPECT_LE(l.stars->count, STAR_CAPACITY) << size.x;
        EXPECT_LE(l.capsules->count, WORLD_CAPSULE_CAPACITY);
    }
}

TEST(WorldLists, LookAndOwnerBytesOutsideTheTablesUseFallbacks) {
    Lists l;
    World& w = l.copy->world;
    add_body(w, make_scene_planet({4800, 2700}, 200, 1.5f, 7));  // look and resource past their tables
    WorldObject turret = make_scene_turret({4900, 2700}, 0);
    turret.owner = 250;
    add_object(w, turret);
    l.build();

    ASSERT_GE(l.planets.count, 1u);
    const PlanetInstance& p = l.planets.items[0];
    const PlanetLook& fallback = planet_look(7);
    EXPECT_EQ(p.look[2], fallback.style);
    EXPECT_EQ(p.color_a.r, fallback.color_a.r);
    EXPECT_EQ(p.ring_color.a, 0);

    // The turret's outer disc takes the default structure colour.
    bool found = false;
    for (uint32_t i = 0; i < l.ranges.additive.count; ++i) {
        const CapsuleInstance& c = l.additive(i);
        if (c.params[0] == 16.5f) {
            found = true;
            EXPECT_FLOAT_EQ(c.color_a.r, 0.45f);
            EXPECT_FLOAT_EQ(c.color_a.g, 0.7f);
            EXPECT_FLOAT_EQ(c.color_a.b, 1);
        }
    }
    EXPECT_TRUE(found);
}

TEST(WorldLists, ARingRotationDependsOnlyOnThePhasesFraction) {
    float rotations[2];
    const float phases[2] = {-0.3f, 0.7f};
    for (int i = 0; i < 2; ++i) {
        Lists l;
        add_body(l.copy->world, make_scene_planet({4800, 2700}, 1, phases[i], 0));  // look 1 has a ring
        l.build();
        ASSERT_GE(l.planets.count, 1u);
        rotations[i] = l.planets.items[0].look[3];
        EXPECT_FLOAT_EQ(l.planets.items[0].ring[1], 1.8f);
    }
    EXPECT_NEAR(rotations[0], rotations[1], 1e-5f);
    EXPECT_NEAR(rotations[1], (0.7f - 0.5f) * 0.8f, 1e-5f);
}

TEST(WorldLists, TheGravityGhostAppearsNearABodyAndIsShiftedAtMostTenUnits) {
    // Far from any body: four strokes only. Close to the planet: the ghost's two
    // strokes come first, shifted toward the planet.
    const struct {
        Vec2 plane;
        uint32_t strokes;
    } cases[] = {{{4800, 1000}, 4}, {{4800, 2400}, 6}};
    for (const auto& c : cases) {
        Lists l;
        l.copy->camera = c.plane;
        add_body(l.copy->world, make_scene_planet({4800, 2700}, 0, 1, 0));
        l.copy->world.planes[0] = make_scene_plane(0, c.plane, 0);
        l.build();
        uint32_t first_plane_stroke = l.ranges.additive.count - c.strokes;
        ASSERT_GE(l.ranges.additive.count, c.strokes);
        if (c.strokes == 6) {
            const CapsuleInstance& ghost = l.additive(first_plane_stroke);
            const CapsuleInstance& body = l.additive(first_plane_stroke + 2);
            float shift = ghost.ends[1] - body.ends[1];
            EXPECT_GT(shift, 0);  // toward the planet below
            EXPECT_LE(shift, 10.001f);
            EXPECT_LT(ghost.color_a.a, body.color_a.a);
        }
    }
}

}  // namespace

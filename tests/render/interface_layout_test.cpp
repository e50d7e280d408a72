// Where the interface goes, computed without a GL context: the item
// rectangles as the drawing lays them out, the interface scale, the notification lines, the caret, the
// radar's blips and the minimap's copies.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/hud.h"
#include "render/layout.h"
#include "render/minimap.h"
#include "render/radar.h"
#include "render/tutorial_panel.h"
#include "render/world_view.h"
#include "screenshots/scenes.h"

namespace {

void expect_rect(const Rect& r, float x, float y, float width, float height) {
    EXPECT_FLOAT_EQ(r.x, x);
    EXPECT_FLOAT_EQ(r.y, y);
    EXPECT_FLOAT_EQ(r.w, width);
    EXPECT_FLOAT_EQ(r.h, height);
}

// A display scale that is not positive lays everything out at 1.
TEST(InterfaceLayout, ScaleZeroNegativeOrNotANumberIsOne) {
    for (float scale : {0.0f, -1.5f, NAN}) {
        const UiLayout l = ui_layout(1280, 720, scale);
        EXPECT_EQ(l.u, 1.0f) << scale;
        EXPECT_EQ(l.body_px, 16.0f);
        EXPECT_EQ(l.line_height, 22.0f);  // round(21.6)
        EXPECT_EQ(l.shadow, 1.0f);
        expect_rect(menu_item_rect(l.box, 4, 0), 430, 247, 420, 40);
    }
    const UiLayout half = ui_layout(1280, 720, 0.4f);
    EXPECT_EQ(half.shadow, 1.0f);  // never less than a pixel
    EXPECT_EQ(half.body_px, 6.0f);  // round(6.4)
}

// The rectangles at 1280 x 720 (scale 1), 2560 x 1440 (scale 2) and in a
// 4:3 framebuffer whose box sits 96 rows down.
TEST(InterfaceLayout, ItemRectanglesFollowTheBoxAndTheScale) {
    const UiLayout one = ui_layout(1280, 720, 1);
    // Menu rows: top = round(0.42 * 720 - (4 * 50 - 10) / 2 + 40 + k * 50) = round(247.4 + 50 k).
    expect_rect(menu_item_rect(one.box, 4, 3), 430, 397, 420, 40);
    // Servers screen with one entry: two rows, the block 40 units lower.
    expect_rect(menu_item_rect(one.box, 2, 0), 430, round(302.4 - 45 + 40), 420, 40);
    // Dialog (470, 290); the gap between its buttons is 100 / 3.
    expect_rect(leave_dialog_rect(one.box), 470, 290, 340, 140);
    expect_rect(leave_button_rect(one.box, 0), 503, 374, 120, 36);  // round(503.33)
    expect_rect(leave_button_rect(one.box, 1), 657, 374, 120, 36);  // round(656.67)
    // Shop panel at (300, round(139.5)), cells 166 across and 186 down.
    expect_rect(shop_panel_rect(one.box), 300, 140, 680, 441);
    expect_rect(shop_cell_rect(one.box, 0), 316, 185, 150, 170);
    expect_rect(shop_cell_rect(one.box, 3), 814, 185, 150, 170);
    expect_rect(shop_cell_rect(one.box, 5), 482, 371, 150, 170);
    // Minimap 200 x 112.5 at 12 inside the bottom-right corner.
    expect_rect(minimap_rect(one, {9600, 5400}), 1068, 595.5f, 200, 112.5f);

    const UiLayout two = ui_layout(2560, 1440, 2);
    expect_rect(menu_item_rect(two.box, 4, 0), 860, 495, 840, 80);  // round(494.8)
    expect_rect(shop_cell_rect(two.box, 6), 600 + 32 + 664, 279 + 90 + 372, 300, 340);
    expect_rect(minimap_rect(two, {9600, 5400}), 2560 - 24 - 400, 1440 - 24 - 225, 400, 225);

    const UiLayout tall = ui_layout(1024, 768, 1);
    EXPECT_EQ(tall.by, 96.0f);
    expect_rect(menu_item_rect(tall.box, 4, 0), 302, 283, 420, 40);  // round(96 + 241.92 - 55)
    expect_rect(leave_dialog_rect(tall.box), 342, round(96 + 218), 340, 140);
}

// Baselines from the box's bottom: B.y + bh - 12 u - (i - pulse + c) lh.
TEST(InterfaceLayout, NotificationsStackUpwardsAndRiseWhileChatIsTyped) {
    const UiLayout l = ui_layout(1280, 720, 1);
    const struct {
        int newest_index;
        float pulse;
        bool chat;
        float baseline;
    } cases[] = {
        {0, 0, false, 708},           {0, 1, false, 730},  // just arrived: a line below, sliding in
        {3, 0, false, 708 - 66},      {0, 0, true, 708 - 28.6f},
        {2, 0.5f, true, 708 - 61.6f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(notification_baseline(l, c.newest_index, c.pulse, c.chat), c.baseline, 1e-3f)
            << c.newest_index << " " << c.pulse << " " << c.chat;
    }
}

TEST(InterfaceLayout, TheCaretShowsInTheFirstHalfOfEverySecond) {
    const struct {
        float time;
        bool visible;
    } cases[] = {{0, true}, {0.49f, true}, {0.5f, false}, {0.99f, false}, {12.25f, true}, {3599.75f, false}};
    for (const auto& c : cases) EXPECT_EQ(caret_visible(c.time), c.visible) << c.time;
}

TEST(InterfaceLayout, EveryStepHasItsLinesAndUnknownStepsShowTheFirst) {
    const int counts[TUTORIAL_STEPS] = {2, 2, 4, 2, 4, 3, 3, 3, 2, 2};
    for (uint8_t s = 0; s < TUTORIAL_STEPS; ++s) EXPECT_EQ(tutorial_lines(s).count, counts[s]) << int(s);
    EXPECT_EQ(tutorial_lines(9).lines[0], "You won! That's everything.");
    EXPECT_EQ(tutorial_lines(10).lines[0], "Welcome to skorvia! First, flying.");
    EXPECT_EQ(tutorial_lines(255).lines[1], "Up thrusts, Left and Right turn. Try all three.");
}

// Blips sit on the 739 x 403 rectangle around the camera and fade with the
// distance past the view's corner, never below 35 %.
TEST(Radar, BlipsSitOnTheRectangleAndFadeToNoLessThanAThird) {
    const float plane = 23.86607f;
    const struct {
        Vec2 d;
        bool shown;
        Vec2 offset;
        float fade;
    } cases[] = {
        // Straight ahead beyond the right edge: x at 739, y scaled by the same 0.739.
        {{1000, 50}, true, {739, 36.95f}, 1 - (std::sqrt(1000.0f * 1000 + 50 * 50) - 881.16284f) / 2000},
        // Drawn (cut by the letterbox), no blip, up to 768 + the reach.
        {{780, 0}, false, {}, 0},
        {{-791.8f, 10}, false, {}, 0},
        {{-792, 10}, true, {-739, 739 * 10 / 792.0f}, 1},
        // Below, far away: the fade stops at 0.35.
        {{0, -3000}, true, {0, -403}, 0.35f},
        // Toward a corner of the rectangle.
        {{-1478, 806}, true, {-739, 403}, 1 - (std::sqrt(1478.0f * 1478 + 806 * 806) - 881.16284f) / 2000},
        {{0, 460}, true, {0, 403}, 1},
    };
    for (const auto& c : cases) {
        const Blip b = radar_blip(c.d, plane);
        EXPECT_EQ(b.shown, c.shown) << c.d.x << ", " << c.d.y;
        if (!c.shown) continue;
        EXPECT_NEAR(b.offset.x, c.offset.x, 1e-3f) << c.d.x << ", " << c.d.y;
        EXPECT_NEAR(b.offset.y, c.offset.y, 1e-3f) << c.d.x << ", " << c.d.y;
        EXPECT_NEAR(b.fade, c.fade, 1e-5f) << c.d.x << ", " << c.d.y;
    }
}

struct RadarWorld {
    std::unique_ptr<RenderCopy> copy = std::make_unique<RenderCopy>();
    std::unique_ptr<StarField> stars = std::make_unique<StarField>();
    std::unique_ptr<CapsuleList> list = std::make_unique<CapsuleList>();
    PlanetList planets;
    WorldRanges ranges;

    RadarWorld() {
        scene_menu(*copy, {4800, 2700}, 0);
        World& w = copy->world;
        w.planes[0] = make_scene_plane(0, {4800, 2700}, 0);
        w.planes[0].has_radar = true;
        copy->local_slot = 0;
        w.planes[2] = make_scene_plane(2, {4800 + 1000, 2700 + 50}, 0);  // off screen, right
        w.planes[5] = make_scene_plane(5, {4800 - 100, 2700}, 0);        // on screen
        w.planes[6] = make_scene_plane(6, {4800, 2700 - 3000}, 0);        // far above, dead
        w.planes[6].dead = true;
        add_object(w, make_scene_vessel({4800 - 2000, 2700}, 0));
        add_object(w, make_scene_station({4800, 2700 + 1500}, 0));
        WorldObject gone = make_scene_collector({4800 + 2000, 2700}, 0, false);
        gone.destroyed = true;
        add_object(w, gone);
        WorldObject turret = make_scene_turret({4800 + 8000, 2700}, 0);  // across the seam, to the left
        turret.owner = 2;
        add_object(w, turret);
    }
    void build() {
        for (int i = 0; i < MAX_PLANES; ++i) copy->drawn[i] = copy->world.planes[i].pos;
        build_world_lists(*copy, *stars, *list, planets, ranges);
    }
    // The capsules the radar appended: the end of the last normal range.
    const CapsuleInstance* blips(uint32_t count) const {
        return &list->items[ranges.normal_above.first + ranges.normal_above.count - count];
    }
};

TEST(Radar, BlipsOfOthersAndStructuresCloseTheWorldList) {
    RadarWorld r;
    r.build();
    ASSERT_EQ(r.ranges.normal_above.count, 4u);  // plane 2, the vessel, the station, the turret
    const CapsuleInstance* b = r.blips(4);
    // Plane 2 at (1000, 50): a disc of radius 7 in its colour, faded.
    EXPECT_FLOAT_EQ(b[0].ends[0], 4800 + 739);
    EXPECT_NEAR(b[0].ends[1], 2700 + 36.95f, 1e-3f);
    EXPECT_EQ(b[0].ends[0], b[0].ends[2]);
    EXPECT_EQ(b[0].params[0], 7);
    EXPECT_EQ(b[0].params[1], CAPSULE_SOLID);
    EXPECT_EQ(b[0].color_a.g, player_color(2).g);
    EXPECT_NEAR(b[0].color_a.a, 0.93996f, 1e-4f);
    // The exit vessel to the left: radius 14, its gold.
    EXPECT_FLOAT_EQ(b[1].ends[0], 4800 - 739);
    EXPECT_EQ(b[1].params[0], 14);
    EXPECT_EQ(b[1].color_a.b, 0.55f);
    // The station below, marked at its sphere's centre: radius 11.2.
    EXPECT_FLOAT_EQ(b[2].ends[1], 2700 + 403);
    EXPECT_FLOAT_EQ(b[2].params[0], 11.2f);
    // The turret of player 2, whose plane is present, across the seam on the left.
    EXPECT_FLOAT_EQ(b[3].ends[0], 4800 - 739);
    EXPECT_EQ(b[3].params[0], 7);
    EXPECT_EQ(b[3].color_a.r, player_color(2).r);

    // Without a radar, or without a local plane, no blips.
    r.copy->world.planes[0].has_radar = false;
    r.build();
    EXPECT_EQ(r.ranges.normal_above.count, 0u);
    r.copy->world.planes[0].has_radar = true;
    r.copy->local_slot = NONE;
    r.build();
    EXPECT_EQ(r.ranges.normal_above.count, 0u);
}

// Every body at nine copies (rows outer, columns inner), each a disc and, for
// a planet, its orbit ring.
TEST(Minimap, BodiesAreDrawnAtNineCopiesAroundTheBox) {
    auto world = std::make_unique<World>();
    add_body(*world, make_scene_sun({100, 5300}));
    add_body(*world, make_scene_planet({4800, 2700}, 2, 1, 1));
    auto list = std::make_unique<CapsuleList>();
    const Rect box = {1000, 500, 200, 112.5f};
    push_minimap(*list, *world, NONE, box, 1);
    const float k = 200.0f / 9600;
    ASSERT_EQ(list->count, 1u + 9 * 3 + 4);  // background, 9 x (sun, planet, ring), frame
    int copy = 0;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i, ++copy) {
            const CapsuleInstance& sun = list->items[1 + 3 * copy];
            EXPECT_NEAR(sun.ends[0], 1000 + 100 * k + i * 200.0f, 1e-3f) << copy;
            EXPECT_NEAR(sun.ends[1], 500 + 5300 * k + j * 112.5f, 1e-3f) << copy;
            EXPECT_NEAR(sun.params[0], 380 * k, 1e-4f);
            EXPECT_EQ(sun.color_a.a, 0.8f);
            const CapsuleInstance& ring = list->items[3 + 3 * copy];
            EXPECT_EQ(ring.params[1], CAPSULE_SOLID_RING);
            EXPECT_NEAR(ring.params[2], (160 + 320) * k, 1e-4f);
            EXPECT_FLOAT_EQ(ring.params[3], 0.6f);
            EXPECT_EQ(ring.color_a.g, resource_color(1).g);
        }
    }
    // Background across the box's middle, as tall as the box (the scissor squares it).
    EXPECT_EQ(list->items[0].params[0], 112.5f);
    EXPECT_EQ(list->items[0].ends[1], 500 + 56.25f);
    // The frame one unit inside the box.
    EXPECT_EQ(list->items[list->count - 4].ends[0], 1001);
    EXPECT_EQ(list->items[list->count - 4].ends[1], 501);
}

TEST(Minimap, StructuresAndPlanesAreMarkedTheLocalOneWithAGlow) {
    auto world = std::make_unique<World>();
    WorldObject station = make_scene_station({960, 540}, 0);
    add_object(*world, station);
    add_object(*world, make_scene_vessel({4800, 2700}, 0));
    WorldObject gone = make_scene_collector({100, 100}, 0, false);
    gone.free = true;
    add_object(*world, gone);
    world->planes[1] = make_scene_plane(1, {9600 - 96, 54}, 0);
    world->planes[4] = make_scene_plane(4, {480, 270}, 0);
    auto list = std::make_unique<CapsuleList>();
    push_minimap(*list, *world, 4, {0, 0, 400, 225}, 2);  // scale 2: k = 1/24
    const CapsuleInstance* c = &list->items[1];  // after the background
    // The station: its reference point at (960, 540), a ring from two discs.
    EXPECT_FLOAT_EQ(c[0].ends[0], 40);
    EXPECT_FLOAT_EQ(c[0].ends[1], 22.5f);
    EXPECT_FLOAT_EQ(c[0].params[0], 1.6f * 2.5f * 2);
    EXPECT_FLOAT_EQ(c[1].params[0], 1.6f * 2.5f * 2 - 1.5f * 2);
    EXPECT_EQ(c[1].color_a.a, 0.75f);
    // The vessel: radius 2 x 2.5 u.
    EXPECT_NEAR(c[2].ends[0], world->objects[1].pos.x / 24, 1e-3f);
    EXPECT_FLOAT_EQ(c[2].params[0], 10);
    // Plane 1 as a dot; the local plane 4 gets a soft glow first.
    EXPECT_NEAR(c[3].ends[0], 396, 1e-3f);
    EXPECT_FLOAT_EQ(c[3].params[0], 5);
    EXPECT_EQ(c[4].params[1], CAPSULE_SOFT);
    EXPECT_FLOAT_EQ(c[4].params[0], 18);
    EXPECT_NEAR(c[5].ends[0], 20, 1e-3f);
    EXPECT_EQ(list->count, 1u + 6 + 4);
}

TEST(Minimap, ShownOnlyToAnOwnerOnThePlayingScreenWithTheSettingOn) {
    World w;
    w.planes[3] = make_scene_plane(3, {10, 10}, 0);
    w.planes[3].has_minimap = true;
    EXPECT_TRUE(minimap_visible(&w, 3, true, true));
    EXPECT_FALSE(minimap_visible(&w, 3, true, false));  // the setting hides a bought minimap
    EXPECT_FALSE(minimap_visible(&w, 3, false, true));
    EXPECT_FALSE(minimap_visible(&w, NONE, true, true));
    EXPECT_FALSE(minimap_visible(nullptr, 3, true, true));
    w.planes[3].has_minimap = false;
    EXPECT_FALSE(minimap_visible(&w, 3, true, true));
}

}  // namespace

// The interface through the real renderer on a headless OpenGL context: what
// the screen list holds for a frame, and the pixels drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "render/interface_frame.h"
#include "render/layout.h"
#include "render/letterbox.h"
#include "render/renderer.h"
#include "screenshots/interface_scenes.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"

namespace {

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 720;

struct Pixel {
    int r, g, b;
    int min() const { return std::min({r, g, b}); }
};

class InterfaceImage : public ::testing::Test {
protected:
    static Offscreen screen;
    std::unique_ptr<InterfaceScene> scene = std::make_unique<InterfaceScene>();
    std::vector<uint8_t> pixels = std::vector<uint8_t>(static_cast<size_t>(WIDTH) * HEIGHT * 4);

    static void SetUpTestSuite() { ASSERT_TRUE(open_offscreen(screen, WIDTH, HEIGHT)); }
    static void TearDownTestSuite() { close_offscreen(screen); }
    void SetUp() override {
        ASSERT_TRUE(screen.renderer);
        ASSERT_EQ(screen.width, WIDTH);
        load_gl_functions();  // other tests may have replaced the table
    }

    Renderer& renderer() { return *screen.renderer; }
    RenderCopy& copy() { return renderer().copy; }
    void build(InterfaceSceneBuilder builder) { builder(copy(), *scene); }
    void build(const char* name) {
        for (int i = 0; i < INTERFACE_SCENE_COUNT; ++i) {
            if (std::string_view(INTERFACE_SCENES[i].name) == name) build(INTERFACE_SCENES[i].build);
        }
    }
    void layout() { draw_interface(renderer(), scene->view, WIDTH, HEIGHT); }
    std::vector<uint8_t> draw() {
        layout();
        draw_frame(renderer(), WIDTH, HEIGHT);
        read_framebuffer(screen, pixels.data());
        return pixels;
    }
    Pixel at(const std::vector<uint8_t>& image, int x, int y) const {
        const uint8_t* p = &image[(static_cast<size_t>(y) * WIDTH + static_cast<size_t>(x)) * 4];
        return {p[0], p[1], p[2]};
    }
    // The group's capsules.
    const CapsuleInstance* group(int g, uint32_t& count) {
        const Range& range = renderer().screen.groups[g];
        count = range.count;
        return &renderer().screen_list.items[range.first];
    }
    Plane& local() { return copy().world.planes[0]; }
};

Offscreen InterfaceImage::screen;

// The health bar at 1280 x 720: origin (12, 12), 180 x 12, so the bar's
// segments run from x = 18 to 18 + fraction x 168, with radius 6 (the
// background) or 4.8 (trail and fill).
TEST_F(InterfaceImage, TheHealthBarShowsItsFillAndTheTrailOnlyAboveIt) {
    const struct {
        uint16_t health;
        float trail;
        int capsules;        // before the counters
        float trail_end;     // 0: no trail
        float fill_end;      // 0: no fill
        Color fill;
    } cases[] = {
        {0, 0, 1, 0, 0, {}},                                     // only the background
        {0, 0.4f, 2, 18 + 0.4f * 168, 0, {}},                    // a trail, no fill
        {75, 0.8f, 3, 18 + 0.8f * 168, 18 + 84, {0.65f, 0.625f, 0.3f, 1}},
        {75, 0.5f, 2, 0, 18 + 84, {0.65f, 0.625f, 0.3f, 1}},      // trail at the bar: not drawn
        {150, 1, 2, 0, 18 + 168, {0.3f, 1, 0.4f, 1}},
    };
    for (const auto& c : cases) {
        build(scene_game);
        local().shield = 0;
        local().health = c.health;
        scene->hud.health_trail = c.trail;
        layout();
        uint32_t count = 0;
        const CapsuleInstance* g = group(0, count);
        // + the health text's backing, + 3 counters (backing, disc, middle)
        ASSERT_EQ(count, static_cast<uint32_t>(c.capsules) + 10) << c.health << " " << c.trail;
        EXPECT_FLOAT_EQ(g[0].ends[0], 18);
        EXPECT_FLOAT_EQ(g[0].ends[1], 18);
        EXPECT_FLOAT_EQ(g[0].ends[2], 18 + 168);
        EXPECT_FLOAT_EQ(g[0].params[0], 6);
        int next = 1;
        if (c.trail_end > 0) {
            EXPECT_NEAR(g[next].ends[2], c.trail_end, 1e-3f);
            EXPECT_FLOAT_EQ(g[next].params[0], 4.8f);
            EXPECT_FLOAT_EQ(g[next].color_a.a, 0.55f);
            ++next;
        }
        if (c.fill_end > 0) {
            EXPECT_NEAR(g[next].ends[2], c.fill_end, 1e-3f);
            EXPECT_NEAR(g[next].color_a.r, c.fill.r, 1e-6f);
            EXPECT_NEAR(g[next].color_a.g, c.fill.g, 1e-6f);
            EXPECT_NEAR(g[next].color_a.b, c.fill.b, 1e-6f);
        }
    }
}

TEST_F(InterfaceImage, TheSunCounterAppearsOnceThereIsSunResource) {
    build(scene_game);
    local().shield = 0;
    layout();
    uint32_t without = 0;
    group(0, without);
    local().sun_resource = 1;
    layout();
    uint32_t with = 0;
    const CapsuleInstance* g = group(0, with);
    ASSERT_EQ(with, without + 3);  // its backing, disc and middle
    EXPECT_FLOAT_EQ(g[with - 2].ends[0], 12 + 6 + 180);  // slot 3, at 180 u
    EXPECT_FLOAT_EQ(g[with - 2].params[0], 6);
    EXPECT_FLOAT_EQ(g[with - 1].params[0], 4);
}

TEST_F(InterfaceImage, EachOverlayFillsItsOwnGroupUnderItsOwnScissor) {
    build("ui_busiest");
    layout();
    const ScreenLayer& s = renderer().screen;
    for (int g = 0; g < SCREEN_GROUPS; ++g) {
        if (g < 3) {
            EXPECT_GT(s.groups[g].count, 0u) << g;
        }
        if (g > 0) {
            EXPECT_EQ(s.groups[g].first, s.groups[g - 1].first + s.groups[g - 1].count) << g;
        }
    }
    EXPECT_EQ(s.groups[3].count, 0u);  // no dialog
    // The shop panel (300, 140, 680, 441) and the minimap (1068, 595.5, 200, 112.5), flipped.
    EXPECT_EQ(s.shop_scissor.x, 300);
    EXPECT_EQ(s.shop_scissor.y, 720 - 581);
    EXPECT_EQ(s.shop_scissor.width, 680);
    EXPECT_EQ(s.shop_scissor.height, 441);
    EXPECT_EQ(s.minimap_scissor.x, 1068);
    EXPECT_EQ(s.minimap_scissor.y, 720 - 708);
    EXPECT_EQ(s.minimap_scissor.height, 708 - 596);

    // The setting hides a bought minimap; the dialog comes last.
    scene->view.minimap_shown = false;
    scene->view.shop.open = false;
    scene->view.leave_dialog.open = true;
    layout();
    EXPECT_EQ(s.groups[1].count, 0u);
    EXPECT_EQ(s.groups[2].count, 0u);
    EXPECT_GT(s.groups[3].count, 0u);
}

// A minimised window: every rectangle is empty, nothing breaks.
TEST_F(InterfaceImage, AZeroSizedFramebufferDrawsNothingAndDoesNotFail) {
    build("ui_busiest");
    scene->view.leave_dialog.open = true;
    draw_interface(renderer(), scene->view, 0, 0);
    const ScreenLayer& s = renderer().screen;
    EXPECT_EQ(s.minimap_scissor.width, 0);
    EXPECT_EQ(s.shop_scissor.height, 0);
    draw_frame(renderer(), 0, 0);
}

// Eight long notifications: the eighth line is drawn over its dark backing
// (text comes after every shape), and not at all where the open shop's
// panel lies over it.
TEST_F(InterfaceImage, TextIsDrawnOverTheShapesButKeepsOffAnOpenShop) {
    build("ui_shop");
    const auto bright_in_band = [&](const std::vector<uint8_t>& image) {
        int bright = 0;
        for (int y = 540; y <= 557; ++y) {
            for (int x = 310; x <= 420; ++x) bright += at(image, x, y).min() > 150;
        }
        return bright;
    };
    EXPECT_EQ(bright_in_band(draw()), 0);  // nothing bright under the panel
    for (int i = 0; i < MAX_NOTIFICATIONS; ++i) {
        notify(scene->notifications, INFO_COLOUR, {"A turret of yours was upgraded: twice the health, and it hits hard"});
    }
    scene->notifications.pulse = 0;
    EXPECT_EQ(bright_in_band(draw()), 0);
    scene->view.shop.open = false;
    EXPECT_GT(bright_in_band(draw()), 20);
}

TEST_F(InterfaceImage, TheSelectedMenuRowHasItsOutline) {
    build(scene_main_menu);
    scene->view.menu_selection = 1;
    const std::vector<uint8_t> image = draw();
    const UiLayout l = ui_layout(WIDTH, HEIGHT, 1);
    const Rect plain = menu_item_rect(l.box, MAIN_MENU_ITEMS, 0);
    const Rect selected = menu_item_rect(l.box, MAIN_MENU_ITEMS, 1);
    // Five rows of pitch 50 centred about 0.42 of the height: 302.4 - 120 + 40 + 50.
    ASSERT_EQ(selected.y, 272);
    const int middle = static_cast<int>(selected.y) + 20;  // rows are 40 high
    // The top edge's middle and the far left of the left half circle.
    EXPECT_GT(at(image, 640, static_cast<int>(selected.y)).min(), 190);
    EXPECT_GT(at(image, static_cast<int>(selected.x), middle).min(), 150);
    // The row above: its pill only, dark.
    EXPECT_LT(at(image, 640, static_cast<int>(plain.y)).min(), 60);
    EXPECT_LT(at(image, static_cast<int>(plain.x), middle - 50).min(), 60);
}

// The minimap's background reaches far past its box (radius = the box's
// height): only the scissor keeps it, and the sun's copies in the corners,
// inside the box.
TEST_F(InterfaceImage, TheMinimapStaysInsideItsBox) {
    build("ui_minimap_radar");
    const std::vector<uint8_t> shown = draw();
    scene->view.minimap_shown = false;
    const std::vector<uint8_t> hidden = draw();
    const int x0 = 1068, y0 = 596, x1 = 1268, y1 = 708;  // the rounded box, right and bottom excluded
    int outside = 0;
    int inside = 0;
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            const size_t i = (static_cast<size_t>(y) * WIDTH + static_cast<size_t>(x)) * 4;
            const bool differs = !std::equal(&shown[i], &shown[i + 3], &hidden[i]);
            const bool in_box = x >= x0 && x < x1 && y >= y0 && y < y1;
            (in_box ? inside : outside) += differs;
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 10000);
    // The sun across the world's corner shows in all four corners of the box.
    for (const auto& corner : {std::pair{x0 + 2, y0 + 2}, {x1 - 3, y0 + 2}, {x0 + 2, y1 - 3}, {x1 - 3, y1 - 3}}) {
        const Pixel p = at(shown, corner.first, corner.second);
        EXPECT_GT(p.r, 120) << corner.first << ", " << corner.second;
        EXPECT_GT(p.r, p.b + 60) << corner.first << ", " << corner.second;
    }
}

// The turret (30) is out of reach, the shield (15) within it: the prices at
// cell.y + 135 under each cell's middle.
TEST_F(InterfaceImage, AnUnaffordablePriceIsInTheWarningColour) {
    build("ui_shop");
    ASSERT_EQ(scene->view.shop_cells[0].price, ShopPrice::TooDear);
    ASSERT_EQ(scene->view.shop_cells[1].price, ShopPrice::Affordable);
    const std::vector<uint8_t> image = draw();
    const UiLayout l = ui_layout(WIDTH, HEIGHT, 1);
    const auto brightest = [&](int cell) {
        const Rect r = shop_cell_rect(l.box, cell);
        const int centre = static_cast<int>(r.x + r.w / 2);
        const int baseline = static_cast<int>(r.y + 135);
        Pixel best = {0, 0, 0};
        for (int y = baseline - 12; y <= baseline; ++y) {
            for (int x = centre - 12; x <= centre + 12; ++x) {
                const Pixel p = at(image, x, y);
                if (p.r + p.g + p.b > best.r + best.g + best.b) best = p;
            }
        }
        return best;
    };
    const Pixel dear = brightest(0);
    EXPECT_GT(dear.r, 200);
    EXPECT_GT(dear.r - dear.g, 90);  // (1, 0.4, 0.35)
    const Pixel cheap = brightest(1);
    EXPECT_GT(cheap.g, 180);
    EXPECT_LT(std::abs(cheap.r - cheap.g), 20);  // (0.85, 0.85, 0.9)
}

}  // namespace

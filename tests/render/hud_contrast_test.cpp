// HUD texts read over the brightest ground: each text of the game screen is
// drawn with the sun's middle, and then with the middle of the brightest
// planet, right under it, and its contrast ratio is measured from the drawn
// pixels: the brightest pixel of the text against the brightest pixel of what
// lies under its glyphs' box when the frame is drawn without text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "client/notifications.h"
#include "render/interface_frame.h"
#include "render/planets.h"
#include "render/text.h"
#include "screenshots/interface_scenes.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"
#include "world/generate.h"

namespace {

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 720;
constexpr Vec2 GROUND = {4800, 2700};  // where the bright body is put

// Relative luminance of an 8-bit sRGB pixel.
double luminance(const uint8_t* p) {
    auto linear = [](uint8_t v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p[0]) + 0.7152 * linear(p[1]) + 0.0722 * linear(p[2]);
}

class HudContrast : public ::testing::Test {
protected:
    static Offscreen screen;
    std::unique_ptr<InterfaceScene> scene = std::make_unique<InterfaceScene>();
    std::vector<uint8_t> plain = std::vector<uint8_t>(static_cast<size_t>(WIDTH) * HEIGHT * 4);
    std::vector<uint8_t> texted = plain;

    static void SetUpTestSuite() { ASSERT_TRUE(open_offscreen(screen, WIDTH, HEIGHT)); }
    static void TearDownTestSuite() { close_offscreen(screen); }
    void SetUp() override {
        ASSERT_TRUE(screen.renderer);
        load_gl_functions();  // other tests may have replaced the table
    }
    Renderer& r() { return *screen.renderer; }

    void build(std::string_view name) {
        for (int i = 0; i < INTERFACE_SCENE_COUNT; ++i) {
            if (INTERFACE_SCENES[i].name == name) INTERFACE_SCENES[i].build(r().copy, *scene);
        }
    }
    // The frame without its text, then with it.
    void draw_both() {
        draw_interface(r(), scene->view, WIDTH, HEIGHT);
        const uint32_t glyphs = r().text.glyphs.count;
        r().text.glyphs.count = 0;
        draw_frame(r(), WIDTH, HEIGHT);
        read_framebuffer(screen, plain.data());
        r().text.glyphs.count = glyphs;
        draw_frame(r(), WIDTH, HEIGHT);
        read_framebuffer(screen, texted.data());
    }
    double brightest(const std::vector<uint8_t>& image, const Rect& box) const {
        double most = 0;
        const int x0 = std::max(0, static_cast<int>(box.x)), x1 = std::min(WIDTH, static_cast<int>(box.x + box.w));
        const int y0 = std::max(0, static_cast<int>(box.y)), y1 = std::min(HEIGHT, static_cast<int>(box.y + box.h));
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                most = std::max(most, luminance(&image[(static_cast<size_t>(y) * WIDTH + x) * 4]));
            }
        }
        return most;
    }
    // The planet look whose middle is brightest, four planets a frame.
    uint8_t brightest_planet_look() {
        const Vec2 places[MAX_BODIES] = {{-400, -200}, {400, -200}, {-400, 200}, {400, 200}};
        const float scale = WIDTH / 1536.0f;  // pixels per world unit
        uint8_t best = 0;
        double best_mean = -1;
        for (int first = 0; first < PLANET_LOOK_COUNT; first += MAX_BODIES) {
            scene_menu(r().copy, GROUND, 3);
            World& w = r().copy.world;
            w.body_count = 0;
            for (int k = 0; k < MAX_BODIES; ++k) {
                w.bodies[w.body_count++] = make_body(GROUND + places[k], false, 0, static_cast<uint8_t>(first + k), 1.0f);
            }
            clear_screen_layer(r());
            begin_text_frame(r());
            draw_frame(r(), WIDTH, HEIGHT);
            read_framebuffer(screen, plain.data());
            for (int k = 0; k < MAX_BODIES; ++k) {
                const int cx = WIDTH / 2 + static_cast<int>(places[k].x * scale);
                const int cy = HEIGHT / 2 + static_cast<int>(places[k].y * scale);
                double sum = 0;
                int n = 0;
                for (int y = cy - 40; y < cy + 40; ++y) {
                    for (int x = cx - 40; x < cx + 40; ++x, ++n) {
                        sum += luminance(&plain[(static_cast<size_t>(y) * WIDTH + x) * 4]);
                    }
                }
                if (sum / n > best_mean) {
                    best_mean = sum / n;
                    best = static_cast<uint8_t>(first + k);
                }
            }
        }
        return best;
    }
};

Offscreen HudContrast::screen;

struct Measured {
    std::string text;
    double ratio[2] = {1e9, 1e9};  // over the sun, over the planet
};

// Each scene is drawn with a bright body's middle under the middle of every
// text at once (four bodies a frame, the world's most), notifications at full
// opacity (one fading out in its last half second is left out).
TEST_F(HudContrast, EveryHudTextKeepsAContrastOfAtLeast4_5OverTheSunAndTheBrightestPlanet) {
    const uint8_t look = brightest_planet_look();
    const char* scenes[] = {"ui_game", "ui_chat", "ui_respawn", "ui_missing", "ui_win_other", "ui_tutorial_7"};
    const UiLayout l = ui_layout(WIDTH, HEIGHT, 1);
    std::vector<Measured> results;
    for (const char* name : scenes) {
        for (int ground = 0; ground < 2; ++ground) {
            build(name);
            scene->view.time = 0.25f;
            scene->view.display_scale = 1;
            if (std::string_view(name) == "ui_game") {
                notify(scene->notifications, REFUSAL_COLOUR, {"You need 30 resources for a turret"});
            }
            NotificationList& notes = scene->notifications;
            for (int i = 0; i < notes.count; ++i) notes.items[i].age = 0;
            notes.pulse = 0;
            r().copy.camera = GROUND;
            draw_interface(r(), scene->view, WIDTH, HEIGHT);
            const std::vector<LabelRecord> labels(r().labels.items, r().labels.items + r().labels.count);
            for (size_t first = 0; first < labels.size(); first += MAX_BODIES) {
                const size_t end = std::min(labels.size(), first + MAX_BODIES);
                World& w = r().copy.world;
                w.body_count = 0;
                for (size_t i = first; i < end; ++i) {
                    const Rect& ink = labels[i].ink;
                    const Vec2 under = GROUND + Vec2{(ink.x + ink.w / 2 - (l.bx + l.bw / 2)) / l.box.scale,
                                                     (ink.y + ink.h / 2 - (l.by + l.bh / 2)) / l.box.scale};
                    w.bodies[w.body_count++] = ground == 0 ? make_body(under, true, 0, 0, 4.2f)
                                                           : make_body(under, false, 0, look, 1.0f);
                }
                draw_both();
                for (size_t i = first; i < end; ++i) {
                    const LabelRecord& label = labels[i];
                    ASSERT_EQ(r().labels.items[i].view(), label.view());
                    const double text = brightest(texted, label.ink);
                    const double under = brightest(plain, label.ink);
                    const double ratio = (text + 0.05) / (under + 0.05);
                    auto found = std::find_if(results.begin(), results.end(),
                                              [&](const Measured& m) { return m.text == label.view(); });
                    if (found == results.end()) found = results.insert(results.end(), {std::string(label.view())});
                    found->ratio[ground] = std::min(found->ratio[ground], ratio);
                    EXPECT_GE(ratio, 4.5) << name << ": \"" << label.view() << "\" over the "
                                          << (ground == 0 ? "sun" : "planet") << " (text " << text << ", under "
                                          << under << ")";
                }
            }
        }
    }
    std::printf("planet look %d is the brightest\n%-60s %8s %8s\n", look, "HUD text", "sun", "planet");
    for (const Measured& m : results) {
        std::printf("%-60.60s %8.2f %8.2f\n", m.text.c_str(), m.ratio[0], m.ratio[1]);
    }
}

}  // namespace

// Text on the real pipeline (SDL's offscreen driver over Mesa), checked on
// the pixels it draws.
#include <gtest/gtest.h>

#include <vector>

#include "render/text.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"

namespace {

// A 4:3 framebuffer: the 16:9 view leaves bars of 96 rows above and below.
constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;

struct Pixel {
    int r, g, b;
};

class TextImage : public ::testing::Test {
protected:
    static Offscreen screen;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(static_cast<size_t>(WIDTH) * HEIGHT * 4);

    static void SetUpTestSuite() { ASSERT_TRUE(open_offscreen(screen, WIDTH, HEIGHT)); }
    static void TearDownTestSuite() { close_offscreen(screen); }
    void SetUp() override {
        ASSERT_TRUE(screen.renderer);
        load_gl_functions();  // other tests may have replaced the table
        scene_menu(screen.renderer->copy, {4800, 2700}, 0);
        clear_screen_layer(*screen.renderer);
        begin_text_frame(*screen.renderer);
    }
    void draw() {
        draw_frame(*screen.renderer, WIDTH, HEIGHT);
        read_framebuffer(screen, pixels.data());
    }
    Pixel at(int x, int y) const {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * WIDTH + static_cast<size_t>(x)) * 4];
        return {p[0], p[1], p[2]};
    }
    // How many pixels of the rectangle are red text rather than the blue box.
    int red_pixels(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) n += at(x, y).r > 200 && at(x, y).b < 60;
        }
        return n;
    }
};

Offscreen TextImage::screen;

TEST_F(TextImage, TextIsDrawnOverTheScreenShapesAndNotIntoTheBars) {
    Renderer& r = *screen.renderer;
    // An opaque blue box in the HUD's group, over the middle of the view.
    push_segment(r.screen_list, {200, 384}, {824, 384}, 150, {0, 0, 1, 1});
    r.screen.groups[0] = {0, 1};
    const Color red = {1, 0, 0, 1};
    draw_text(r, "HUD", 96, 300, 420, red);
    draw_text(r, "bar", 64, 300, 80, red);  // wholly inside the top bar
    draw();

    EXPECT_GT(red_pixels(280, 300, 560, 440), 2000);
    EXPECT_EQ(red_pixels(0, 0, WIDTH, 96), 0);
    // Away from the text the box stays blue.
    Pixel box = at(700, 384);
    EXPECT_LT(box.r, 10);
    EXPECT_GT(box.b, 240);
}

}  // namespace

// The real renderer on a headless OpenGL context (SDL's offscreen driver over
// Mesa), checked on the pixels it draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "render/letterbox.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"
#include "render/view.h"

namespace {

struct Pixel {
    int r, g, b;
    int sum() const { return r + g + b; }
};

// A 4:3 framebuffer: the 16:9 view leaves bars of 96 rows above and below.
constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;
constexpr Pixel SKY = {5, 5, 13};  // (0.02, 0.02, 0.05)

class RenderImage : public ::testing::Test {
protected:
    static Offscreen screen;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(static_cast<size_t>(WIDTH) * HEIGHT * 4);

    static void SetUpTestSuite() { ASSERT_TRUE(open_offscreen(screen, WIDTH, HEIGHT)); }
    static void TearDownTestSuite() { close_offscreen(screen); }
    void SetUp() override {
        ASSERT_TRUE(screen.renderer);
        ASSERT_EQ(screen.width, WIDTH);
        ASSERT_EQ(screen.height, HEIGHT);
        load_gl_functions();  // other tests may have replaced the table
    }

    RenderCopy& copy() { return screen.renderer->copy; }
    void draw() {
        draw_frame(*screen.renderer, WIDTH, HEIGHT);
        read_framebuffer(screen, pixels.data());
    }
    Pixel at(int x, int y) const {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * WIDTH + static_cast<size_t>(x)) * 4];
        return {p[0], p[1], p[2]};
    }
    // The pixel showing a world position.
    Pixel at_world(Vec2 p) const {
        Letterbox box = compute_letterbox(WIDTH, HEIGHT);
        Vec2 origin = view_origin(copy_camera);
        int x = static_cast<int>(box.x + (p.x - origin.x) * box.scale);
        int y = static_cast<int>(box.y + (p.y - origin.y) * box.scale);
        return at(x, y);
    }
    Vec2 copy_camera = {4800, 2700};
};

Offscreen RenderImage::screen;

TEST_F(RenderImage, NothingIsDrawnIntoTheLetterboxBars) {
    scene_busy(copy());  // nebulae, the sun's corona and the big glows reach far past the view
    // A screen-space capsule over the whole framebuffer in the HUD's group.
    Renderer& r = *screen.renderer;
    clear_screen_layer(r);
    push_segment(r.screen_list, {0, HEIGHT / 2.0f}, {WIDTH, HEIGHT / 2.0f}, HEIGHT, {0.2f, 0.3f, 0.4f, 0.5f});
    r.screen.groups[0] = {0, 1};
    draw();
    clear_screen_layer(r);
    for (int y = 0; y < HEIGHT; ++y) {
        bool bar = y < 96 || y >= 672;
        int lit = 0;
        for (int x = 0; x < WIDTH; ++x) lit += at(x, y).sum() > 0;
        if (bar) {
            ASSERT_EQ(lit, 0) << "row " << y;
        } else {
            ASSERT_EQ(lit, WIDTH) << "row " << y;  // the sky covers the whole box
        }
    }
}

TEST_F(RenderImage, EmptySkyShowsTheBackgroundColour) {
    scene_menu(copy(), {4800, 2700}, 0);
    draw();
    std::map<int, int> counts;
    for (int y = 96; y < 672; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            Pixel p = at(x, y);
            ++counts[(p.r << 16) | (p.g << 8) | p.b];
        }
    }
    auto most = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        if (it->second > most->second) most = it;
    }
    Pixel common = {most->first >> 16, (most->first >> 8) & 255, most->first & 255};
    EXPECT_NEAR(common.r, SKY.r, 1);
    EXPECT_NEAR(common.g, SKY.g, 1);
    EXPECT_NEAR(common.b, SKY.b, 1);
    EXPECT_GT(most->second, 1024 * 576 * 9 / 10);  // stars are sparse points
}

TEST_F(RenderImage, APlanetIsLitFromTheUpperLeft) {
    scene_menu(copy(), copy_camera, 0);
    add_body(copy().world, make_scene_planet(copy_camera, 7, 0.5f, 0));  // plain grey rock
    draw();
    Pixel centre = at_world(copy_camera);
    Pixel lit = at_world(copy_camera + Vec2{-80, -80});
    Pixel dark = at_world(copy_camera + Vec2{80, 80});
    EXPECT_GT(centre.sum(), SKY.sum() + 150) << centre.r << " " << centre.g << " " << centre.b;
    EXPECT_GT(lit.sum(), centre.sum());
    EXPECT_GT(centre.sum(), dark.sum());
    EXPECT_GT(lit.sum(), 2 * dark.sum());
}

TEST_F(RenderImage, AdditiveGlowsOnlyBrightenWhatIsBehind) {
    // A collector above empty sky, gathering or not: its glow may only add light.
    Pixel plain{}, glowing{};
    for (int gathering = 0; gathering < 2; ++gathering) {
        scene_menu(copy(), copy_camera, 0);
        WorldObject collector = make_scene_collector(copy_camera, 0, false);
        collector.gather_timer = gathering ? 1.25f : 0.0f;  // the pulse at its brightest
        add_object(copy().world, collector);
        draw();
        // 16 units above the hub, clear of every stroke.
        Pixel p = at_world(copy_camera + Vec2{0, -16});
        (gathering ? glowing : plain) = p;
    }
    EXPECT_NEAR(plain.sum(), SKY.sum(), 30);  // a star may sit there
    EXPECT_GE(glowing.r, plain.r);
    EXPECT_GE(glowing.g, plain.g);
    EXPECT_GE(glowing.b, plain.b);
    EXPECT_GT(glowing.sum(), plain.sum() + 40);
}

TEST_F(RenderImage, TheSunsCoronaAddsLightAroundItsDisc) {
    scene_menu(copy(), copy_camera, 0);
    add_body(copy().world, make_scene_sun(copy_camera + Vec2{-300, 0}));
    draw();
    Pixel disc = at_world(copy_camera + Vec2{-300, 0});
    Pixel corona = at_world(copy_camera + Vec2{-300 + 380 + 30, 0});
    Pixel far_sky = at_world(copy_camera + Vec2{700, 300});
    EXPECT_GT(disc.r, 200);
    EXPECT_GT(corona.sum(), far_sky.sum() + 60);
    EXPECT_GE(corona.r, corona.b);  // warm light
}

// The nebula's light as written for one pixel: a cloud of two octaves of
// value noise, fading out toward its radius.
float fract(float x) { return x - std::floor(x); }
float hash3(float x, float y, float z) {
    float qx = fract(x * 0.1031f), qy = fract(y * 0.1031f), qz = fract(z * 0.1031f);
    float d = qx * (qz + 31.32f) + qy * (qy + 31.32f) + qz * (qx + 31.32f);
    qx += d;
    qy += d;
    qz += d;
    return fract((qx + qy) * qz);
}
float mix(float a, float b, float t) { return a + (b - a) * t; }
float noise3(float x, float y, float z) {
    float ix = std::floor(x), iy = std::floor(y), iz = std::floor(z);
    float fx = x - ix, fy = y - iy, fz = z - iz;
    float ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy), uz = fz * fz * (3 - 2 * fz);
    auto h = [&](float dx, float dy, float dz) { return hash3(ix + dx, iy + dy, iz + dz); };
    float y0 = mix(mix(h(0, 0, 0), h(1, 0, 0), ux), mix(h(0, 1, 0), h(1, 1, 0), ux), uy);
    float y1 = mix(mix(h(0, 0, 1), h(1, 0, 1), ux), mix(h(0, 1, 1), h(1, 1, 1), ux), uy);
    return mix(y0, y1, uz);
}
float smoothstep(float a, float b, float x) {
    float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}
float nebula_thickness(Vec2 p, Vec2 centre, float seed, float time) {
    float lx = (p.x - centre.x) / 3200, ly = (p.y - centre.y) / 3200;
    float d = std::sqrt(lx * lx + ly * ly);
    if (d >= 1) return 0;
    float fall = std::pow(1 - d, 1.6f);
    float ax = 2 * lx, ay = 2 * ly;
    float cloud = 0.65f * noise3(ax + 0.004f * time, ay - 0.003f * time, seed) +
                  0.35f * noise3(2.3f * ax + 1.7f * seed, 2.3f * ay, 2.3f * seed + 0.006f * time);
    return fall * (0.45f + 0.55f * smoothstep(0.25f, 0.75f, cloud)) * 0.3f;
}

// The nebulae are computed on a coarse grid and interpolated; every pixel
// still shows the light of the formula within a level or two.
TEST_F(RenderImage, ANebulaAddsTheLightOfItsCloudPixelByPixel) {
    const float time = 7.5f;
    const Vec2 planet = copy_camera + Vec2{1400, 300};  // out of view; its nebula fills the view
    const float seed = 0.37f;
    std::vector<uint8_t> empty_sky(pixels.size());
    scene_menu(copy(), copy_camera, time);
    draw();
    empty_sky = pixels;
    scene_menu(copy(), copy_camera, time);
    add_body(copy().world, make_scene_planet(planet, 7, seed, 0));  // grey: (0.62, 0.62, 0.62)
    draw();

    const Letterbox box = compute_letterbox(WIDTH, HEIGHT);
    const Vec2 origin = view_origin(copy_camera);
    int largest = 0;
    int checked = 0;
    for (int y = 100; y < 672; y += 23) {
        for (int x = 3; x < WIDTH; x += 29) {
            const Vec2 world = origin + Vec2{(x + 0.5f - box.x) / box.scale, (y + 0.5f - box.y) / box.scale};
            const float light = 0.62f * nebula_thickness(world, planet, seed, time) * 255;
            const size_t at = (static_cast<size_t>(y) * WIDTH + static_cast<size_t>(x)) * 4;
            if (empty_sky[at] != SKY.r || empty_sky[at + 2] != SKY.b) continue;  // a star: it covers some light
            ++checked;
            for (int c = 0; c < 3; ++c) {
                const float expected = static_cast<float>(empty_sky[at + static_cast<size_t>(c)]) + light;
                largest = std::max(largest, static_cast<int>(std::lround(std::fabs(pixels[at + static_cast<size_t>(c)] - expected))));
            }
        }
    }
    EXPECT_GT(checked, 600);
    EXPECT_LE(largest, 1);
}

}  // namespace

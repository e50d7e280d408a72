// Developer tool: draws the game's icon, a player's plane thrusting away from
// a planet, through the game's own renderer on a headless window, and
// writes it as a 256 x 256 RGBA PNG (the installed icon, assets/skorvia.png).
//
//   skorvia-icon <output.png>
//
// The world view is fixed at 1536 x 864 world units, far too wide for a plane
// to be seen at icon size, so the tool feeds the renderer's pipelines a small
// square view of its own. It draws four times larger than the icon and
// averages each 4 x 4 block, and cuts the picture to a disc with a soft edge.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "screenshots/offscreen.h"
#include "world/generate.h"

namespace {

constexpr int ICON_SIZE = 256;
constexpr int SUPERSAMPLE = 4;
constexpr int DRAW_SIZE = ICON_SIZE * SUPERSAMPLE;

// The square of the world the icon shows, around the plane.
constexpr Vec2 PLANE_AT = {4800, 2700};
constexpr float VIEW_SIDE = 150;
constexpr Vec2 VIEW_CENTRE = {PLANE_AT.x - 18, PLANE_AT.y + 18};
constexpr float PLANE_ANGLE = -0.785398f;  // heading up and to the right

// A green and blue planet low on the left, its limb behind the exhaust.
constexpr Vec2 PLANET_AT = {PLANE_AT.x - 140, PLANE_AT.y + 150};
constexpr uint8_t PLANET_LOOK = 2;
constexpr float PLANET_PHASE = 1.9f;

constexpr float DISC_RADIUS = 126;  // icon pixels, with a one-pixel soft edge

void build_scene(RenderCopy& copy) {
    copy.world = World{};
    copy.camera = PLANE_AT;
    copy.time = 12.5f;
    copy.local_slot = 0;
    for (float& f : copy.shield_flash) f = 0;
    reset_effects(copy.effects);

    World& w = copy.world;
    w.bodies[0] = make_body(PLANET_AT, false, 1, PLANET_LOOK, PLANET_PHASE);
    w.body_count = 1;

    Plane& p = w.planes[0];
    p.in_use = true;
    p.slot = 0;
    p.health = 150;
    p.boarding_vessel = NONE;
    p.angle = PLANE_ANGLE;
    p.thrust = true;
    p.flame = 1;
    const Vec2 heading = {std::cos(PLANE_ANGLE), std::sin(PLANE_ANGLE)};
    p.vel = heading * 160;
    // Let the exhaust build up behind the plane as it flies into place.
    p.pos = PLANE_AT - p.vel * (TICK * 60);
    for (int tick = 0; tick < 60; ++tick) {
        p.pos = p.pos + p.vel * TICK;
        copy.drawn[0] = p.pos;
        advance_effects(copy.effects, w, nullptr);
    }
    p.pos = PLANE_AT;
    copy.drawn[0] = PLANE_AT;
}

// The frame's world drawing, in its order, through a square view of our own.
void draw_icon_view(Renderer& r) {
    gl.glDisable(GL_SCISSOR_TEST);
    gl.glViewport(0, 0, DRAW_SIZE, DRAW_SIZE);
    gl.glClearColor(0, 0, 0, 1);
    gl.glClear(GL_COLOR_BUFFER_BIT);
    const Vec2 origin = {VIEW_CENTRE.x - VIEW_SIDE / 2, VIEW_CENTRE.y - VIEW_SIDE / 2};
    draw_world_view(r, origin, {VIEW_SIDE, VIEW_SIDE}, VIEW_SIDE / DRAW_SIZE);
}

// Each icon pixel is the mean of its block of drawn pixels, then faded out
// past the disc's rim.
std::vector<uint8_t> shrink_to_disc(const std::vector<uint8_t>& drawn) {
    std::vector<uint8_t> icon(static_cast<size_t>(ICON_SIZE) * ICON_SIZE * 4);
    const float centre = ICON_SIZE / 2.0f;
    for (int y = 0; y < ICON_SIZE; ++y) {
        for (int x = 0; x < ICON_SIZE; ++x) {
            unsigned sum[3] = {0, 0, 0};
            for (int dy = 0; dy < SUPERSAMPLE; ++dy) {
                for (int dx = 0; dx < SUPERSAMPLE; ++dx) {
                    const size_t at = (static_cast<size_t>(y * SUPERSAMPLE + dy) * DRAW_SIZE +
                                       static_cast<size_t>(x * SUPERSAMPLE + dx)) * 4;
                    for (int c = 0; c < 3; ++c) sum[c] += drawn[at + static_cast<size_t>(c)];
                }
            }
            uint8_t* out = &icon[(static_cast<size_t>(y) * ICON_SIZE + static_cast<size_t>(x)) * 4];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(sum[c] / (SUPERSAMPLE * SUPERSAMPLE));
            const float d = std::hypot(x + 0.5f - centre, y + 0.5f - centre);
            const float inside = std::fmin(1.0f, std::fmax(0.0f, DISC_RADIUS + 0.5f - d));
            out[3] = static_cast<uint8_t>(std::lround(255 * inside));
        }
    }
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: skorvia-icon <output.png>\n", stderr);
        return 2;
    }
    Offscreen o;
    if (!open_offscreen(o, DRAW_SIZE, DRAW_SIZE)) return 1;
    if (o.width != DRAW_SIZE || o.height != DRAW_SIZE) {
        std::fprintf(stderr, "the window is %d x %d pixels, not %d x %d\n", o.width, o.height, DRAW_SIZE, DRAW_SIZE);
        close_offscreen(o);
        return 1;
    }
    build_scene(o.renderer->copy);
    draw_icon_view(*o.renderer);
    std::vector<uint8_t> drawn(static_cast<size_t>(DRAW_SIZE) * DRAW_SIZE * 4);
    read_framebuffer(o, drawn.data());
    close_offscreen(o);

    const std::vector<uint8_t> icon = shrink_to_disc(drawn);
    if (!stbi_write_png(argv[1], ICON_SIZE, ICON_SIZE, 4, icon.data(), ICON_SIZE * 4)) {
        std::fprintf(stderr, "can't write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s (%dx%d)\n", argv[1], ICON_SIZE, ICON_SIZE);
    return 0;
}

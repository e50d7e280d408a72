// One frame at the GL level: clear, letterbox, the world back to front, then
// the screen-space layer, and the text over everything.
#include "render/renderer.h"
#include "render/text.h"
#include "render/view.h"

const char* const FRAME_PASS_NAMES[FRAME_PASSES] = {
    "lists", "sky", "nebulae", "stars", "bodies", "world_below", "world_additive", "world_above", "screen", "text",
};

namespace {

void set_viewport(const GlRect& r) { gl.glViewport(r.x, r.y, r.width, r.height); }
void set_scissor(const GlRect& r) { gl.glScissor(r.x, r.y, r.width, r.height); }

void pass_done(const PassProbe* probe, FramePass pass) {
    if (probe) probe->pass_done(probe->context, pass);
}

void clear_framebuffer(int fb_width, int fb_height) {
    gl.glDisable(GL_SCISSOR_TEST);
    gl.glViewport(0, 0, fb_width, fb_height);
    gl.glClearColor(0, 0, 0, 1);
    gl.glClear(GL_COLOR_BUFFER_BIT);
    gl.glEnable(GL_SCISSOR_TEST);
}

void draw_world(Renderer& r, const Letterbox& box, const PassProbe* probe) {
    draw_world_view(r, view_origin(r.copy.camera), {VIEW_WIDTH, VIEW_HEIGHT}, 1 / box.scale, probe);
}

void draw_screen_layer(Renderer& r, const Letterbox& box, int fb_width, int fb_height) {
    upload_capsules(r.screen_capsules, r.screen_list, {0, 0},
                    {static_cast<float>(fb_width), static_cast<float>(fb_height)}, 1);
    gl.glViewport(0, 0, fb_width, fb_height);
    const GlRect scissors[SCREEN_GROUPS] = {box.scissor, r.screen.minimap_scissor, r.screen.shop_scissor,
                                            box.scissor};
    for (int g = 0; g < SCREEN_GROUPS; ++g) {
        const Range& range = r.screen.groups[g];
        if (range.count == 0) continue;
        set_scissor(scissors[g]);
        draw_capsules(r.screen_capsules, false, range.first, range.count);
    }
    // Text is drawn last under the letterbox scissor, so nothing lands in the bars.
    set_scissor(box.scissor);
}

}  // namespace

void draw_world_view(Renderer& r, Vec2 origin, Vec2 size, float pixel_size, const PassProbe* probe) {
    PlanetList planets;  // built fresh every frame
    WorldRanges& ranges = r.world_ranges;
    build_world_lists(r.copy, r.stars, r.world_list, planets, ranges);
    upload_capsules(r.world_capsules, r.world_list, origin, size, pixel_size);
    upload_planets(r.planets, planets, origin, size, pixel_size, r.copy.time);
    pass_done(probe, FramePass::Lists);

    // The sky is one colour over the whole view: a clear (within the scissor)
    // costs the rasteriser next to nothing, where a blended quad of the view
    // costs as much as any other layer.
    gl.glClearColor(SKY_COLOR.r, SKY_COLOR.g, SKY_COLOR.b, SKY_COLOR.a);
    gl.glClear(GL_COLOR_BUFFER_BIT);
    pass_done(probe, FramePass::Sky);
    draw_nebulae(r.nebulae, r.planets, ranges.nebulae.first, ranges.nebulae.count, origin, size, r.copy.time);
    pass_done(probe, FramePass::Nebulae);
    for (const Range& layer : ranges.stars) draw_capsules(r.world_capsules, false, layer.first, layer.count);
    pass_done(probe, FramePass::Stars);
    draw_planets(r.planets, planets, ranges.bodies.first, ranges.bodies.count);
    pass_done(probe, FramePass::Bodies);
    draw_capsules(r.world_capsules, false, ranges.normal_below.first, ranges.normal_below.count);
    pass_done(probe, FramePass::WorldBelow);
    draw_capsules(r.world_capsules, true, ranges.additive.first, ranges.additive.count);
    pass_done(probe, FramePass::WorldAdditive);
    draw_capsules(r.world_capsules, false, ranges.normal_above.first, ranges.normal_above.count);
    pass_done(probe, FramePass::WorldAbove);
}

void draw_frame(Renderer& r, int fb_width, int fb_height, const PassProbe* probe) {
    clear_framebuffer(fb_width, fb_height);
    Letterbox box = compute_letterbox(static_cast<float>(fb_width), static_cast<float>(fb_height));
    set_viewport(box.viewport);
    set_scissor(box.scissor);
    draw_world(r, box, probe);
    draw_screen_layer(r, box, fb_width, fb_height);
    pass_done(probe, FramePass::Screen);
    flush_text(r, static_cast<float>(fb_width), static_cast<float>(fb_height));
    pass_done(probe, FramePass::Text);
}

#pragma once
// Interface between the application shell and the renderer, and the
// renderer's long-lived state: the pipelines, the CPU instance lists, the star
// cache and the frame's render copy.
#include <cstdint>

#include "base/errors.h"
#include "render/capsules.h"
#include "render/label_list.h"
#include "render/letterbox.h"
#include "render/pipelines.h"
#include "render/stars.h"
#include "render/text_state.h"
#include "render/world_view.h"

// The four screen-space capsule groups, each drawn under its own scissor:
// HUD and menus, the minimap, the shop window, and what goes over the shop.
constexpr int SCREEN_GROUPS = 4;
struct ScreenLayer {
    Range groups[SCREEN_GROUPS];
    GlRect minimap_scissor = {0, 0, 0, 0};
    GlRect shop_scissor = {0, 0, 0, 0};
};

struct Renderer {
    bool created = false;
    CapsulePipeline world_capsules;
    CapsulePipeline screen_capsules;
    PlanetPipeline planets;
    NebulaPipeline nebulae;
    TextPipeline text_pipeline;
    TextState text;  // font, glyph cache and atlas, the frame's glyphs
    LabelList labels;  // the interface's texts of the frame

    CapsuleList world_list;   // 4096 capsules
    CapsuleList screen_list;  // 512 capsules
    StarField stars;
    RenderCopy copy;
    WorldRanges world_ranges;
    ScreenLayer screen;
};

// Resolves the OpenGL entry points through SDL. Logs the first missing one and
// returns MissingGlFunction. Needs a current GL context.
StartupError load_gl_functions();

// Builds every pipeline, the font and the glyph atlas. On failure everything
// already created is released before returning.
StartupError create_renderer(Renderer& renderer);

// Releases every GL object and the atlas memory. Safe on a partly built renderer.
void destroy_renderer(Renderer& renderer);

// The passes of a frame in drawing order. `Lists` is the clear, the building
// of the world lists and their upload; the others draw.
enum class FramePass : uint8_t {
    Lists,
    Sky,
    Nebulae,
    Stars,
    Bodies,
    WorldBelow,
    WorldAdditive,
    WorldAbove,
    Screen,
    Text,
};
constexpr int FRAME_PASSES = 10;
extern const char* const FRAME_PASS_NAMES[FRAME_PASSES];

// Told as each pass of a frame has been issued; the frame benchmarks wait for
// the GL there to time the passes one by one. The game uses none.
struct PassProbe {
    void (*pass_done)(void* context, FramePass pass);
    void* context;
};

// Draws the render copy held in the renderer into a framebuffer of the given
// size in pixels: clear, letterbox, the world, then the screen layer as the
// HUD and menus left it (screen list and groups), and last the frame's text.
void draw_frame(Renderer& renderer, int fb_width, int fb_height, const PassProbe* probe = nullptr);

// The world layers of a frame, back to front, from the render copy: the
// lists are built, uploaded for the view rectangle (world units, `pixel_size`
// world units per pixel) and drawn into the current viewport.
void draw_world_view(Renderer& renderer, Vec2 origin, Vec2 size, float pixel_size, const PassProbe* probe = nullptr);

// Empties the screen list and its groups.
void clear_screen_layer(Renderer& renderer);

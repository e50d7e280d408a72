#include "render/renderer.h"

#include <SDL3/SDL_video.h>

namespace {

GlProc sdl_lookup(const char* name) { return reinterpret_cast<GlProc>(SDL_GL_GetProcAddress(name)); }

}  // namespace

StartupError load_gl_functions() { return load_gl_functions_with(sdl_lookup); }

StartupError create_renderer(Renderer& renderer) {
    renderer.world_list.count = 0;
    renderer.world_list.capacity = WORLD_CAPSULE_CAPACITY;
    renderer.screen_list.capacity = SCREEN_CAPSULE_CAPACITY;
    clear_screen_layer(renderer);
    renderer.stars.valid = false;

    StartupError e = create_capsule_pipeline(renderer.world_capsules);
    if (e == StartupError::None) e = create_capsule_pipeline(renderer.screen_capsules);
    if (e == StartupError::None) e = create_planet_pipeline(renderer.planets);
    if (e == StartupError::None) e = create_nebula_pipeline(renderer.nebulae);
    if (e == StartupError::None) e = create_text_state(renderer.text);
    if (e == StartupError::None) e = create_text_pipeline(renderer.text_pipeline);
    if (e != StartupError::None) {
        destroy_renderer(renderer);
        return e;
    }
    gl.glEnable(GL_BLEND);  // stays enabled for the whole run
    renderer.created = true;
    return StartupError::None;
}

void destroy_renderer(Renderer& renderer) {
    destroy_capsule_pipeline(renderer.world_capsules);
    destroy_capsule_pipeline(renderer.screen_capsules);
    destroy_planet_pipeline(renderer.planets);
    destroy_nebula_pipeline(renderer.nebulae);
    destroy_text_state(renderer.text);
    destroy_text_pipeline(renderer.text_pipeline);
    renderer.created = false;
}

void clear_screen_layer(Renderer& renderer) {
    renderer.screen_list.count = 0;
    renderer.screen = ScreenLayer{};
}

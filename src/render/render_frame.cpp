// The shell's entry into drawing: copies what the frame needs out of the App
// and draws it.
#include <SDL3/SDL_video.h>

#include "app/app.h"
#include "render/renderer.h"

void render_frame(App& app) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSizeInPixels(app.window, &width, &height);
    // Menu screens show the empty starry world under the drifting camera. The
    // game view (the client's world, display offsets, own slot and shield
    // flashes) is handed in here once the client session provides it.
    fill_render_copy(app.renderer.copy, nullptr, app.camera_centre, app.render_clock, app.effects);
    // The HUD and menus fill the screen layer here.
    clear_screen_layer(app.renderer);
    draw_frame(app.renderer, width, height);
}

// The shell's entry into drawing: copies what the frame needs out of the App
// and draws it.
#include <SDL3/SDL_video.h>

#include "app/app.h"
#include "render/renderer.h"

void render_frame(App& app) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSizeInPixels(app.window, &width, &height);
    // In a session the client's predicted world is drawn with its display
    // offsets; menu screens show the empty starry world under the drifting camera.
    const Session& s = app.session;
    const bool joined = s.client.state == ConnectionState::Joined;
    const GameView game{&s.client.world, s.client.smoothing, joined ? static_cast<uint8_t>(s.client.own_slot) : NONE,
                        s.hud.hit_flash};
    const bool playing = s.active && app.screen == Screen::Playing;
    fill_render_copy(app.renderer.copy, playing ? &game : nullptr, app.camera_centre, app.render_clock, app.effects);
    // The HUD and menus fill the screen layer here.
    clear_screen_layer(app.renderer);
    draw_frame(app.renderer, width, height);
}

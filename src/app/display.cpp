#include "app/display.h"

#include <SDL3/SDL_video.h>

#include "app/app.h"

void apply_display_settings(App& app) {
    if (app.borderless_fullscreen) {
        SDL_SetWindowFullscreenMode(app.window, nullptr);  // desktop-sized borderless
        SDL_SetWindowFullscreen(app.window, true);
        return;
    }
    int index = app.resolution_index < RESOLUTION_COUNT ? app.resolution_index : 1;
    SDL_SetWindowFullscreen(app.window, false);
    SDL_SetWindowSize(app.window, RESOLUTIONS[index].width, RESOLUTIONS[index].height);
    SDL_SetWindowPosition(app.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

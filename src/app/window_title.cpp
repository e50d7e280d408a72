#include "app/window_title.h"

#include <SDL3/SDL_video.h>

#include "app/app.h"
#include "client/window_title.h"

void update_window_title(App& app) {
    char title[TITLE_CAPACITY];
    window_title(app.session, title);
    // Setting an unchanged title changes nothing.
    SDL_SetWindowTitle(app.window, title);
}

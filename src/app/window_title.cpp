#include "app/window_title.h"

#include <cstring>
#include <initializer_list>

#include <SDL3/SDL_video.h>

#include "app/app.h"

void compose_title(char (&out)[TITLE_CAPACITY], std::initializer_list<std::string_view> parts) {
    size_t length = 0;
    for (std::string_view part : parts) length += part.size();
    if (length + 1 > TITLE_CAPACITY) {
        std::memcpy(out, "skorvia", sizeof "skorvia");
        return;
    }
    size_t used = 0;
    for (std::string_view part : parts) {
        std::memcpy(out + used, part.data(), part.size());
        used += part.size();
    }
    out[used] = '\0';
}

void window_title(const App& app, char (&out)[TITLE_CAPACITY]) {
    if (app.session.tutorial && app.session.active) {
        compose_title(out, {"skorvia - tutorial"});
        return;
    }
    // The online titles (connecting, joined, full) come with the client session.
    compose_title(out, {"skorvia"});
}

void update_window_title(App& app) {
    char title[TITLE_CAPACITY];
    window_title(app, title);
    // Setting an unchanged title changes nothing.
    SDL_SetWindowTitle(app.window, title);
}

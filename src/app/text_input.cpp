#include "app/text_input.h"

#include <SDL3/SDL_keyboard.h>

#include "app/app.h"

void follow_chat_input(App& app) {
    if (!app.window) return;
    const bool typing = app.session.chat.typing || app.address_input.typing;
    if (typing == SDL_TextInputActive(app.window)) return;
    if (typing) {
        SDL_StartTextInput(app.window);
    } else {
        SDL_StopTextInput(app.window);
    }
}

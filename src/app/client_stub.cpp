// TEMPORARY: stand-ins for the keys, typed text and clicks of the screens
// until the interface provides the real functions of client_hooks.h. Delete
// this file when it does.
#include "app/app.h"
#include "app/client_hooks.h"

void on_key_down(App&, const SDL_KeyboardEvent&) {}
void on_text_input(App&, const char*) {}
void on_click(App&, float, float) {}

#include <SDL3/SDL_main.h>

#include "app/app.h"

int main(int, char**) { return run_app(); }

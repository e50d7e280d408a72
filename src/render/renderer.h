#pragma once
// Interface between the application shell and the renderer. The renderer's
// owner fills in `Renderer`; the shell only calls the functions below.
#include "app/errors.h"

struct App;

struct Renderer {
    bool created = false;
};

// Resolves the OpenGL entry points through SDL. Logs the first missing one and
// returns MissingGlFunction. Needs a current GL context.
StartupError load_gl_functions();

// Builds every pipeline (and later the glyph atlas). On failure everything
// already created is released before returning.
StartupError create_renderer(Renderer& renderer);

// Releases every GL object and the atlas memory. Safe on a partly built renderer.
void destroy_renderer(Renderer& renderer);

// Draws the whole screen from the App into the current framebuffer.
void render_frame(App& app);

#pragma once
// A headless window with an OpenGL 3.3 core context (SDL's offscreen driver
// over Mesa's EGL) and a renderer built on it, for tools and image tests.
#include <cstdint>
#include <memory>

#include "render/renderer.h"

struct SDL_Window;
struct SDL_GLContextState;

struct Offscreen {
    SDL_Window* window = nullptr;
    SDL_GLContextState* context = nullptr;
    std::unique_ptr<Renderer> renderer;
    int width = 0;   // framebuffer pixels
    int height = 0;
};

// Opens a window of the given size with the offscreen driver (unless
// SDL_VIDEO_DRIVER names another), loads the entry points and builds the
// renderer. On failure closes what it opened and returns false.
bool open_offscreen(Offscreen& out, int width, int height);
void close_offscreen(Offscreen& o);

// Reads the framebuffer as RGBA rows from the top. `pixels` holds width x
// height x 4 bytes.
void read_framebuffer(const Offscreen& o, uint8_t* pixels);

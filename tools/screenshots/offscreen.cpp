#include "screenshots/offscreen.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <SDL3/SDL.h>

namespace {

constexpr GLenum GL_BACK = 0x0405;
using ReadPixelsFn = void(SKORVIA_GL_CALL*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
using ReadBufferFn = void(SKORVIA_GL_CALL*)(GLenum);
using FinishFn = void(SKORVIA_GL_CALL*)();

}  // namespace

bool open_offscreen(Offscreen& out, int width, int height) {
    if (!std::getenv("SDL_VIDEO_DRIVER")) SDL_SetHint(SDL_HINT_VIDEO_DRIVER, "offscreen");
    if (!SDL_Init(SDL_INIT_VIDEO)) {
        std::fprintf(stderr, "can't start SDL: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    out.window = SDL_CreateWindow("skorvia", width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!out.window) {
        std::fprintf(stderr, "can't open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return false;
    }
    out.context = SDL_GL_CreateContext(out.window);
    if (!out.context) {
        std::fprintf(stderr, "can't use OpenGL 3.3: %s\n", SDL_GetError());
        SDL_DestroyWindow(out.window);
        SDL_Quit();
        return false;
    }
    out.renderer = std::make_unique<Renderer>();
    if (load_gl_functions() != StartupError::None || create_renderer(*out.renderer) != StartupError::None) {
        close_offscreen(out);
        return false;
    }
    SDL_GetWindowSizeInPixels(out.window, &out.width, &out.height);
    return true;
}

void close_offscreen(Offscreen& o) {
    if (o.renderer) destroy_renderer(*o.renderer);
    o.renderer.reset();
    if (o.context) SDL_GL_DestroyContext(o.context);
    if (o.window) SDL_DestroyWindow(o.window);
    SDL_Quit();
    o.context = nullptr;
    o.window = nullptr;
}

// glReadPixels is not one of the program's entry points: only this developer
// tool reads pixels back, so it resolves the function for itself.
void read_framebuffer(const Offscreen& o, uint8_t* pixels) {
    auto finish = reinterpret_cast<FinishFn>(SDL_GL_GetProcAddress("glFinish"));
    auto read_buffer = reinterpret_cast<ReadBufferFn>(SDL_GL_GetProcAddress("glReadBuffer"));
    auto read_pixels = reinterpret_cast<ReadPixelsFn>(SDL_GL_GetProcAddress("glReadPixels"));
    finish();
    read_buffer(GL_BACK);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    size_t row = static_cast<size_t>(o.width) * 4;
    std::vector<uint8_t> bottom_up(row * static_cast<size_t>(o.height));
    read_pixels(0, 0, o.width, o.height, GL_RGBA, GL_UNSIGNED_BYTE, bottom_up.data());
    for (int y = 0; y < o.height; ++y) {
        std::memcpy(pixels + row * static_cast<size_t>(y), bottom_up.data() + row * static_cast<size_t>(o.height - 1 - y),
                    row);
    }
}

// Developer tool: draws chosen scenes through the real renderer on a headless
// window and writes them as PNG files, by default into screenshots/ next to
// the executable (build/screenshots/).
//
//   skorvia-screenshots [output folder]
#include <cstdio>
#include <string>
#include <vector>

#include <SDL3/SDL_filesystem.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "render/tools/offscreen.h"
#include "render/tools/scenes.h"

namespace {

bool write_png(const Offscreen& o, const std::string& path) {
    std::vector<uint8_t> pixels(static_cast<size_t>(o.width) * static_cast<size_t>(o.height) * 4);
    read_framebuffer(o, pixels.data());
    if (!stbi_write_png(path.c_str(), o.width, o.height, 4, pixels.data(), o.width * 4)) {
        std::fprintf(stderr, "can't write %s\n", path.c_str());
        return false;
    }
    std::printf("%s (%dx%d)\n", path.c_str(), o.width, o.height);
    return true;
}

bool shoot(Offscreen& o, const std::string& folder, const char* name) {
    draw_frame(*o.renderer, o.width, o.height);
    return write_png(o, folder + "/" + name + ".png");
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    if (argc > 1) {
        folder = argv[1];
    } else {
        const char* base = SDL_GetBasePath();
        folder = std::string(base ? base : "./") + "screenshots";
    }
    SDL_CreateDirectory(folder.c_str());

    Offscreen o;
    if (!open_offscreen(o, 1280, 720)) return 1;
    RenderCopy& copy = o.renderer->copy;
    bool ok = true;

    scene_menu(copy, {4800, 2700}, 3.0f);
    ok &= shoot(o, folder, "menu");
    scene_menu(copy, {9590, 5395}, 3.0f);  // the drifting camera across the world's corner
    ok &= shoot(o, folder, "menu_seam");

    for (int step = 0; step < TUTORIAL_SCENES; ++step) {
        scene_tutorial(copy, step);
        char name[32];
        std::snprintf(name, sizeof name, "tutorial_%d", step);
        ok &= shoot(o, folder, name);
    }

    scene_busy(copy);
    ok &= shoot(o, folder, "busy");

    resize_offscreen(o, 1024, 768);
    scene_busy(copy);
    ok &= shoot(o, folder, "busy_4x3");

    resize_offscreen(o, 1600, 600);
    scene_busy(copy);
    ok &= shoot(o, folder, "busy_wide");

    close_offscreen(o);
    return ok ? 0 : 1;
}

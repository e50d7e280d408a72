// Developer tool: draws chosen scenes through the real renderer on a headless
// window and writes them as PNG files, by default into screenshots/ next to
// the executable (build/screenshots/): the world scenes, then every interface
// scene at 1280 x 720 and again at display scale 2 (2560 x 1440). With
// --readme it writes only the four pictures of the README and docs/playing.md
// at 960 x 540 (docs/ holds them reduced to a palette: pngquant
// --quality=70-95 --speed 1).
//
//   skorvia-screenshots [--readme] [output folder]
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <SDL3/SDL_filesystem.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "render/interface_frame.h"
#include "render/text.h"
#include "screenshots/interface_scenes.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"

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

// A world scene alone: no interface over it.
bool shoot(Offscreen& o, const std::string& folder, const char* name) {
    clear_screen_layer(*o.renderer);
    begin_text_frame(*o.renderer);
    draw_frame(*o.renderer, o.width, o.height);
    return write_png(o, folder + "/" + name + ".png");
}

bool shoot_interface(Offscreen& o, InterfaceScene& scene, const NamedInterfaceScene& named, float display_scale,
                     const std::string& folder, const char* suffix) {
    named.build(o.renderer->copy, scene);
    scene.view.display_scale = display_scale;
    draw_interface(*o.renderer, scene.view, o.width, o.height);
    draw_frame(*o.renderer, o.width, o.height);
    return write_png(o, folder + "/" + named.name + suffix + ".png");
}

bool shoot_interfaces(int width, int height, float display_scale, const std::string& folder, const char* suffix) {
    Offscreen o;
    if (!open_offscreen(o, width, height)) return false;
    auto scene = std::make_unique<InterfaceScene>();
    bool ok = true;
    for (int i = 0; i < INTERFACE_SCENE_COUNT; ++i) {
        ok &= shoot_interface(o, *scene, INTERFACE_SCENES[i], display_scale, folder, suffix);
    }
    close_offscreen(o);
    return ok;
}

// The pictures of the README (the main menu, the game with its HUD) and of
// docs/playing.md (the shop, the servers screen).
bool shoot_readme(const std::string& folder) {
    Offscreen o;
    if (!open_offscreen(o, 960, 540)) return false;
    auto scene = std::make_unique<InterfaceScene>();
    const struct {
        const char* scene;
        const char* file;
    } pictures[] = {{"ui_main_menu", "menu"}, {"ui_game", "game"}, {"ui_shop", "shop"}, {"ui_servers_internet", "servers"}};
    bool ok = true;
    for (const auto& picture : pictures) {
        for (int i = 0; i < INTERFACE_SCENE_COUNT; ++i) {
            if (std::strcmp(INTERFACE_SCENES[i].name, picture.scene) != 0) continue;
            NamedInterfaceScene named = {picture.file, INTERFACE_SCENES[i].build};
            ok &= shoot_interface(o, *scene, named, 1, folder, "");
        }
    }
    close_offscreen(o);
    return ok;
}

void usage(std::FILE* to) { std::fprintf(to, "usage: skorvia-screenshots [--readme] [output folder]\n"); }

// A close look: a crop of the framebuffer at full resolution.
bool shoot_crop(Offscreen& o, const std::string& folder, const char* name, int x, int y, int width, int height) {
    clear_screen_layer(*o.renderer);
    begin_text_frame(*o.renderer);
    draw_frame(*o.renderer, o.width, o.height);
    std::vector<uint8_t> pixels(static_cast<size_t>(o.width) * static_cast<size_t>(o.height) * 4);
    read_framebuffer(o, pixels.data());
    std::string path = folder + "/" + name + ".png";
    const uint8_t* corner = pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(o.width) + static_cast<size_t>(x)) * 4;
    if (!stbi_write_png(path.c_str(), width, height, 4, corner, o.width * 4)) {
        std::fprintf(stderr, "can't write %s\n", path.c_str());
        return false;
    }
    std::printf("%s (%dx%d crop)\n", path.c_str(), width, height);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    bool readme = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--readme") {
            readme = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            usage(stderr);
            return 2;
        } else if (folder.empty()) {
            folder = arg;
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (folder.empty()) {
        const char* base = SDL_GetBasePath();
        folder = std::string(base ? base : "./") + "screenshots";
    }
    SDL_CreateDirectory(folder.c_str());
    if (readme) return shoot_readme(folder) ? 0 : 1;

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

    // Other shapes of framebuffer: the view is letterboxed with black bars.
    const struct {
        int width, height;
        const char* name;
    } shapes[] = {{1024, 768, "busy_4x3"}, {1600, 600, "busy_wide"}};
    for (const auto& shape : shapes) {
        close_offscreen(o);
        if (!open_offscreen(o, shape.width, shape.height)) return 1;
        scene_busy(o.renderer->copy);
        ok &= shoot(o, folder, shape.name);
    }
    // Close-ups of the busy scene at 2560 x 1440 (1.67 pixels per world unit).
    close_offscreen(o);
    if (!open_offscreen(o, 2560, 1440)) return 1;
    scene_busy(o.renderer->copy);
    ok &= shoot_crop(o, folder, "busy_detail_centre", 960, 480, 1000, 600);
    ok &= shoot_crop(o, folder, "busy_detail_left", 0, 380, 1000, 600);
    ok &= shoot_crop(o, folder, "busy_detail_top", 600, 0, 1000, 600);
    close_offscreen(o);

    ok &= shoot_interfaces(1280, 720, 1, folder, "");
    ok &= shoot_interfaces(2560, 1440, 2, folder, "_x2");
    return ok ? 0 : 1;
}

// The interface's frames: building the busiest one on the CPU (HUD, shop,
// minimap over four bodies and 64 objects, eight notifications, a chat line),
// and a whole menu frame through the real renderer beside the bare star field.
// Counters: glyphs rasterised and allocations per frame, both 0 once the
// glyphs are cached. On a shared machine the wall time of Mesa's software
// rasteriser is mostly waiting: LP_NUM_THREADS=0 rasterises on the calling
// thread, so the CPU column holds the frame's whole work.
#include <benchmark/benchmark.h>

#include <memory>

#include <SDL3/SDL_video.h>

#include "allocation_counter.h"
#include "render/interface_frame.h"
#include "render/renderer.h"
#include "render/text.h"
#include "screenshots/interface_scenes.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"

namespace {

using FinishFn = void(SKORVIA_GL_CALL*)();

void BM_BusiestInterfaceFrameCpu(benchmark::State& state) {
    Offscreen screen;
    if (!open_offscreen(screen, 1280, 720)) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    Renderer& r = *screen.renderer;
    auto scene = std::make_unique<InterfaceScene>();
    scene_busiest_interface(r.copy, *scene);
    draw_interface(r, scene->view, screen.width, screen.height);  // caches the glyphs
    const uint32_t cached = r.text.cache.count;
    const long before = counted_allocations();
    for (auto _ : state) {
        draw_interface(r, scene->view, screen.width, screen.height);
        benchmark::DoNotOptimize(r.screen_list.count);
    }
    const long made = counted_allocations() - before;
    const auto frames = static_cast<double>(state.iterations());
    state.counters["allocations_per_frame"] = static_cast<double>(made) / frames;
    state.counters["glyphs_rasterised"] = r.text.cache.count - cached;
    state.counters["capsules"] = r.screen_list.count;
    state.counters["glyphs"] = r.text.glyphs.count;
    close_offscreen(screen);
}
BENCHMARK(BM_BusiestInterfaceFrameCpu)->Unit(benchmark::kMicrosecond);

// Whole frames, each waited for, with or without the main menu over the sky.
void time_menu_frames(benchmark::State& state, bool with_menu) {
    Offscreen screen;
    if (!open_offscreen(screen, 1280, 720)) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    auto finish = reinterpret_cast<FinishFn>(SDL_GL_GetProcAddress("glFinish"));
    Renderer& r = *screen.renderer;
    auto scene = std::make_unique<InterfaceScene>();
    scene_main_menu(r.copy, *scene);
    const auto frame = [&] {
        if (with_menu) {
            draw_interface(r, scene->view, screen.width, screen.height);
        } else {
            clear_screen_layer(r);
            begin_text_frame(r);
        }
        draw_frame(r, screen.width, screen.height);
        finish();
    };
    frame();
    for (auto _ : state) frame();
    close_offscreen(screen);
}

void BM_StarFieldFrame1280x720(benchmark::State& state) { time_menu_frames(state, false); }
BENCHMARK(BM_StarFieldFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_MainMenuFrame1280x720(benchmark::State& state) { time_menu_frames(state, true); }
BENCHMARK(BM_MainMenuFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

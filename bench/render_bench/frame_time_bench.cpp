// Whole frames of the busy scene at 1280 x 720 through the real renderer on
// the headless context (Mesa's software rasteriser when there is no GPU),
// waiting for each frame to finish.
#include <benchmark/benchmark.h>

#include <SDL3/SDL_video.h>

#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"

namespace {

using FinishFn = void(SKORVIA_GL_CALL*)();

// Frames of one scene, each waited for.
template <typename Scene>
void time_frames(benchmark::State& state, Scene scene) {
    Offscreen screen;
    if (!open_offscreen(screen, 1280, 720)) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    auto finish = reinterpret_cast<FinishFn>(SDL_GL_GetProcAddress("glFinish"));
    scene(screen.renderer->copy);
    draw_frame(*screen.renderer, screen.width, screen.height);
    finish();
    for (auto _ : state) {
        draw_frame(*screen.renderer, screen.width, screen.height);
        finish();
    }
    close_offscreen(screen);
}

void BM_BusyFrame1280x720(benchmark::State& state) { time_frames(state, scene_busy); }
BENCHMARK(BM_BusyFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The menu background: the sky and its stars only.
void BM_MenuFrame1280x720(benchmark::State& state) {
    time_frames(state, [](RenderCopy& copy) { scene_menu(copy, {4800, 2700}, 0); });
}
BENCHMARK(BM_MenuFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The tutorial's sun filling a third of the view.
void BM_SunFrame1280x720(benchmark::State& state) {
    time_frames(state, [](RenderCopy& copy) { scene_tutorial(copy, 4); });
}
BENCHMARK(BM_SunFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

// Whole frames of the busy scene at 1280 x 720 through the real renderer on
// the headless context (Mesa's software rasteriser when there is no GPU),
// waiting for each frame to finish.
#include <benchmark/benchmark.h>

#include <SDL3/SDL_video.h>

#include "render/tools/offscreen.h"
#include "render/tools/scenes.h"

namespace {

using FinishFn = void(SKORVIA_GL_CALL*)();

void BM_BusyFrame1280x720(benchmark::State& state) {
    Offscreen screen;
    if (!open_offscreen(screen, 1280, 720)) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    auto finish = reinterpret_cast<FinishFn>(SDL_GL_GetProcAddress("glFinish"));
    scene_busy(screen.renderer->copy);
    draw_frame(*screen.renderer, screen.width, screen.height);
    finish();
    for (auto _ : state) {
        draw_frame(*screen.renderer, screen.width, screen.height);
        finish();
    }
    close_offscreen(screen);
}
BENCHMARK(BM_BusyFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

// Text: laying out a HUD line whose glyphs are all cached (the steady state
// of every frame), and whole frames with and without a screenful of text on
// the headless context (Mesa's software rasteriser when there is no GPU).
#include <benchmark/benchmark.h>

#include <string_view>

#include <SDL3/SDL_video.h>

#include "allocation_counter.h"
#include "render/text.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"

namespace {

using FinishFn = void(SKORVIA_GL_CALL*)();

constexpr std::string_view HUD_LINE = "Hull 75  Shield 40  Iron 12  Ice 3  Crystal 15  Player 4 wins";
constexpr Color TEXT = {0.85f, 0.85f, 0.9f, 1};
constexpr Color SHADOW = {0, 0, 0, 0.75f};

void BM_DrawTextCachedHudLine(benchmark::State& state) {
    Offscreen screen;
    if (!open_offscreen(screen, 320, 180)) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    Renderer& r = *screen.renderer;
    begin_text_frame(r);
    draw_text(r, HUD_LINE, 16, 12.5f, 30, TEXT);  // rasterises every glyph once
    r.text_pipeline.atlas_dirty = false;
    const uint32_t cached = r.text.cache.count;
    const long allocations_before = counted_allocations();
    for (auto _ : state) {
        begin_text_frame(r);
        draw_text(r, HUD_LINE, 16, 12.5f, 30, TEXT);
        benchmark::DoNotOptimize(r.text.glyphs.items[0]);
    }
    if (r.text_pipeline.atlas_dirty || r.text.cache.count != cached) state.SkipWithError("a glyph was rasterised");
    state.counters["allocations"] = static_cast<double>(counted_allocations() - allocations_before);
    // Time per character (the inverse of a rate over all iterations).
    state.counters["per_glyph"] = benchmark::Counter(static_cast<double>(HUD_LINE.size()),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
    close_offscreen(screen);
}
BENCHMARK(BM_DrawTextCachedHudLine);

// Ten HUD lines drawn with their shadows at the body size: about 400
// glyph quads, like a busy HUD with the chat open.
void fill_screen_text(Renderer& r) {
    constexpr std::string_view LINES[] = {
        "Player 2 took your collector",  "Shield 40   Hull 75   Iron 12",
        "Ice 3   Crystal 15   Radar on",  "You need 12 more crystal",
    };
    begin_text_frame(r);
    for (int i = 0; i < 10; ++i) {
        const std::string_view line = LINES[i % 4];
        const float y = 120 + 24 * static_cast<float>(i);
        draw_text(r, line, 16, 41, y + 1, SHADOW);
        draw_text(r, line, 16, 40, y, TEXT);
    }
}

template <typename Scene>
void time_frames(benchmark::State& state, Scene scene, bool with_text) {
    Offscreen screen;
    if (!open_offscreen(screen, 1280, 720)) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    auto finish = reinterpret_cast<FinishFn>(SDL_GL_GetProcAddress("glFinish"));
    Renderer& r = *screen.renderer;
    scene(r.copy);
    begin_text_frame(r);
    if (with_text) fill_screen_text(r);
    draw_frame(r, screen.width, screen.height);
    finish();
    for (auto _ : state) {
        begin_text_frame(r);
        if (with_text) fill_screen_text(r);
        draw_frame(r, screen.width, screen.height);
        finish();
    }
    state.counters["glyphs"] = r.text.glyphs.count;
    close_offscreen(screen);
}

void BM_BusyFrameWithoutText(benchmark::State& state) { time_frames(state, scene_busy, false); }
BENCHMARK(BM_BusyFrameWithoutText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_BusyFrameWithText(benchmark::State& state) { time_frames(state, scene_busy, true); }
BENCHMARK(BM_BusyFrameWithText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_MenuFrameWithText(benchmark::State& state) {
    time_frames(state, [](RenderCopy& copy) { scene_menu(copy, {4800, 2700}, 0); }, true);
}
BENCHMARK(BM_MenuFrameWithText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

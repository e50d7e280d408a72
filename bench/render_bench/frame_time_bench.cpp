// Whole frames through the real renderer on the headless context (Mesa's
// software rasteriser when there is no GPU) at 1280 x 720, each waited for:
// the busy scene, the sun, the menu's sky; then the same frames pass by pass.
//
// Wall times on a shared machine are mostly waiting for the cores; the
// counter `cpu_ms` is the CPU time of the whole process per frame, the
// rasteriser's threads included, which the load does not inflate.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <string>

#include <SDL3/SDL_video.h>

#include "render/interface_frame.h"
#include "render/text.h"
#include "screenshots/interface_scenes.h"
#include "screenshots/offscreen.h"
#include "screenshots/scenes.h"

namespace {

using FinishFn = void(SKORVIA_GL_CALL*)();

double seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A frame's scene: the world in the render copy, and the interface over it
// (none: the screen layer and the text are left empty).
struct FrameScene {
    void (*world)(RenderCopy& copy);
    void (*interface)(RenderCopy& copy, InterfaceScene& scene);
};

struct FrameBench {
    Offscreen screen;
    std::unique_ptr<InterfaceScene> ui = std::make_unique<InterfaceScene>();
    FinishFn finish = nullptr;
    FrameScene scene{};

    bool open(benchmark::State& state, FrameScene s) {
        if (!open_offscreen(screen, 1280, 720)) {
            state.SkipWithError("no OpenGL 3.3 context");
            return false;
        }
        finish = reinterpret_cast<FinishFn>(SDL_GL_GetProcAddress("glFinish"));
        scene = s;
        Renderer& r = *screen.renderer;
        if (scene.world) scene.world(r.copy);
        if (scene.interface) scene.interface(r.copy, *ui);
        draw(nullptr);  // the star cache and the glyphs
        return true;
    }
    void draw(const PassProbe* probe) {
        Renderer& r = *screen.renderer;
        if (scene.interface) {
            draw_interface(r, ui->view, screen.width, screen.height);
        } else {
            clear_screen_layer(r);
            begin_text_frame(r);
        }
        draw_frame(r, screen.width, screen.height, probe);
        finish();
    }
    ~FrameBench() {
        if (screen.renderer) close_offscreen(screen);
    }
};

void time_frames(benchmark::State& state, FrameScene scene) {
    FrameBench bench;
    if (!bench.open(state, scene)) return;
    const double cpu_start = seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (auto _ : state) bench.draw(nullptr);
    const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu_start;
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// Waits for each pass to finish and adds its wall and process CPU time.
struct PassClock {
    FinishFn finish;
    double wall_mark, cpu_mark;
    double wall[FRAME_PASSES] = {};
    double cpu[FRAME_PASSES] = {};

    void start() {
        wall_mark = seconds(CLOCK_MONOTONIC);
        cpu_mark = seconds(CLOCK_PROCESS_CPUTIME_ID);
    }
    static void done(void* context, FramePass pass) {
        auto& c = *static_cast<PassClock*>(context);
        c.finish();
        const double wall = seconds(CLOCK_MONOTONIC);
        const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
        c.wall[static_cast<int>(pass)] += wall - c.wall_mark;
        c.cpu[static_cast<int>(pass)] += cpu - c.cpu_mark;
        c.wall_mark = wall;
        c.cpu_mark = cpu;
    }
};

// Counters per pass, in milliseconds per frame: `<pass>` the wall time,
// `<pass>_cpu` the process CPU time. The waits between the passes cost the
// rasteriser some of its overlap, so the passes add up to a little more than
// the whole frame.
void time_passes(benchmark::State& state, FrameScene scene) {
    FrameBench bench;
    if (!bench.open(state, scene)) return;
    PassClock clock{bench.finish, 0, 0};
    const PassProbe probe{PassClock::done, &clock};
    for (auto _ : state) {
        clock.start();
        bench.draw(&probe);
    }
    for (int p = 0; p < FRAME_PASSES; ++p) {
        const std::string name = FRAME_PASS_NAMES[p];
        state.counters[name] = benchmark::Counter(clock.wall[p] * 1e3, benchmark::Counter::kAvgIterations);
        state.counters[name + "_cpu"] = benchmark::Counter(clock.cpu[p] * 1e3, benchmark::Counter::kAvgIterations);
    }
}

void sun_scene(RenderCopy& copy) { scene_tutorial(copy, 4); }  // the sun filling a third of the view
void sky_scene(RenderCopy& copy) { scene_menu(copy, {4800, 2700}, 0); }

constexpr FrameScene BUSY = {scene_busy, nullptr};
constexpr FrameScene SUN = {sun_scene, nullptr};
constexpr FrameScene MENU = {sky_scene, nullptr};
constexpr FrameScene GAME_HUD = {nullptr, scene_busiest_interface};

void BM_BusyFrame1280x720(benchmark::State& state) { time_frames(state, BUSY); }
void BM_SunFrame1280x720(benchmark::State& state) { time_frames(state, SUN); }
// The menu background: the sky and its stars only.
void BM_MenuFrame1280x720(benchmark::State& state) { time_frames(state, MENU); }
// The busy scene under the busiest interface: HUD, shop, minimap, notifications, chat.
void BM_BusiestGameFrame1280x720(benchmark::State& state) { time_frames(state, GAME_HUD); }
BENCHMARK(BM_BusyFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SunFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_MenuFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_BusiestGameFrame1280x720)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_BusyFramePasses(benchmark::State& state) { time_passes(state, BUSY); }
void BM_SunFramePasses(benchmark::State& state) { time_passes(state, SUN); }
void BM_MenuFramePasses(benchmark::State& state) { time_passes(state, MENU); }
void BM_BusiestGameFramePasses(benchmark::State& state) { time_passes(state, GAME_HUD); }
BENCHMARK(BM_BusyFramePasses)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SunFramePasses)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_MenuFramePasses)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_BusiestGameFramePasses)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

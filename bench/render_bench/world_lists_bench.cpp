// Building the world capsule and planet lists for the busy scene (CPU only).
#include <benchmark/benchmark.h>

#include <memory>

#include "screenshots/scenes.h"
#include "render/world_view.h"

namespace {

struct BusyLists {
    std::unique_ptr<RenderCopy> source = std::make_unique<RenderCopy>();
    std::unique_ptr<RenderCopy> copy = std::make_unique<RenderCopy>();
    std::unique_ptr<StarField> stars = std::make_unique<StarField>();
    std::unique_ptr<CapsuleList> capsules = std::make_unique<CapsuleList>();
    PlanetList planets;
    WorldRanges ranges;

    BusyLists() {
        scene_busy(*source);
        *copy = *source;
        build_world_lists(*copy, *stars, *capsules, planets, ranges);  // builds the star cache once
    }
};

void BM_BuildWorldLists(benchmark::State& state) {
    BusyLists b;
    for (auto _ : state) {
        build_world_lists(*b.copy, *b.stars, *b.capsules, b.planets, b.ranges);
        benchmark::DoNotOptimize(b.capsules->count);
    }
    state.counters["capsules"] = b.capsules->count;
    state.counters["planets"] = b.planets.count;
}
BENCHMARK(BM_BuildWorldLists)->Unit(benchmark::kMicrosecond);

// The same with the frame's render copy of the world and the effect lists.
void BM_CopyAndBuildWorldLists(benchmark::State& state) {
    BusyLists b;
    GameView game{&b.source->world, nullptr, 0, b.source->shield_flash};
    for (auto _ : state) {
        fill_render_copy(*b.copy, &game, b.source->camera, b.source->time, b.source->effects);
        build_world_lists(*b.copy, *b.stars, *b.capsules, b.planets, b.ranges);
        benchmark::DoNotOptimize(b.capsules->count);
    }
}
BENCHMARK(BM_CopyAndBuildWorldLists)->Unit(benchmark::kMicrosecond);

}  // namespace

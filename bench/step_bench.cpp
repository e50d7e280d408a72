// The simulation step: the tutorial's quiet world, a busy world at full
// capacity, and the replay of 240 busy steps a client may run after a snapshot.
#include <benchmark/benchmark.h>

#include "busy_world.h"
#include "world/generate.h"
#include "world/step.h"

namespace {


void BM_StepTutorialWorld(benchmark::State& state) {
    static World w;
    generate_world(w);
    spawn_plane(w, 0);
    w.planes[0].thrust = true;
    w.planes[0].turn_left = true;
    for (auto _ : state) {
        step_world(w);
        benchmark::DoNotOptimize(w.event_count);
    }
}
BENCHMARK(BM_StepTutorialWorld);

// One busy step; the world is set back to its busy start every 240 steps so
// that it stays full (the copy is part of the measured time, 1/240 of it).
void BM_StepBusyWorld(benchmark::State& state) {
    static World start, w;
    start = busy_world();
    int n = 0;
    for (auto _ : state) {
        if (n++ % 240 == 0) w = start;
        step_world(w);
        benchmark::DoNotOptimize(w.event_count);
    }
}
BENCHMARK(BM_StepBusyWorld);

// What a client does after a snapshot in the worst case: copy the world and
// replay 240 steps.
void BM_ReplayBusyWorld240(benchmark::State& state) {
    static World start, w;
    start = busy_world();
    for (auto _ : state) {
        w = start;
        for (int i = 0; i < 240; ++i) step_world(w);
        benchmark::DoNotOptimize(w.event_count);
    }
}
BENCHMARK(BM_ReplayBusyWorld240)->Unit(benchmark::kMillisecond);

}  // namespace

// The two random sources: the hash draw the step uses for gun spread and spawn
// points, and the generator behind the star field, effects and sound.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "world/random.h"

namespace {

void BM_HashDrawSpawnTry(benchmark::State& state) {
    uint32_t data[2] = {3, 0};
    uint64_t seed = 1;
    for (auto _ : state) {
        data[1] = (data[1] + 1) & 0xFF;
        benchmark::DoNotOptimize(hash_draw(seed, data, sizeof data));
    }
}
BENCHMARK(BM_HashDrawSpawnTry);

void BM_HashDrawGunSpread(benchmark::State& state) {
    float data[5] = {4800.0f, 2754.0f, 120.0f, -35.5f, 4.712389f};
    for (auto _ : state) {
        data[0] += 0.25f;
        benchmark::DoNotOptimize(hash_draw(2, data, sizeof data));
    }
}
BENCHMARK(BM_HashDrawGunSpread);

void BM_NextFloat(benchmark::State& state) {
    Xoshiro256 g = make_xoshiro(0xcd11798beb4bdc34ull, 0xc0fca7e767de5b4aull, 0xeb938f4f5ea1cd44ull, 0x68bec2f2fcf2a87aull);
    for (auto _ : state) benchmark::DoNotOptimize(next_float(g));
}
BENCHMARK(BM_NextFloat);

}  // namespace

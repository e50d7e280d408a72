// The portable float32 functions beside the C library's float functions, on
// inputs like the game's: angles of a turn or two, coordinate differences of
// the world for atan2, damping-like exponents for exp. One call per iteration,
// so the time per iteration is the time per call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <math.h>
#include <random>
#include <vector>

#include "world/fmath.h"

namespace {

constexpr size_t INPUTS = 4096;  // a power of two

std::vector<float> uniform_inputs(float lo, float hi, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(lo, hi);
    std::vector<float> v(INPUTS);
    for (float& x : v) x = d(rng);
    return v;
}

const std::vector<float>& angles() {
    static const std::vector<float> v = uniform_inputs(-12.566371f, 12.566371f, 1);
    return v;
}
const std::vector<float>& wide_angles() {
    static const std::vector<float> v = uniform_inputs(-1000.0f, 1000.0f, 2);
    return v;
}
const std::vector<float>& coords_x() {
    static const std::vector<float> v = uniform_inputs(-20000.0f, 20000.0f, 3);
    return v;
}
const std::vector<float>& coords_y() {
    static const std::vector<float> v = uniform_inputs(-20000.0f, 20000.0f, 4);
    return v;
}
const std::vector<float>& exponents() {
    static const std::vector<float> v = uniform_inputs(-20.0f, 5.0f, 5);
    return v;
}

float libc_sin(float x) { return ::sinf(x); }
float libc_cos(float x) { return ::cosf(x); }
float libc_exp(float x) { return ::expf(x); }
float libc_atan2(float y, float x) { return ::atan2f(y, x); }

template <float (*F)(float)>
void unary(benchmark::State& state, const std::vector<float>& in) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(in[i]));
        i = (i + 1) & (INPUTS - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

template <float (*F)(float, float)>
void binary(benchmark::State& state) {
    const std::vector<float>& ys = coords_y();
    const std::vector<float>& xs = coords_x();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(ys[i], xs[i]));
        i = (i + 1) & (INPUTS - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_fsin(benchmark::State& s) { unary<fsin>(s, angles()); }
void BM_libc_sinf(benchmark::State& s) { unary<libc_sin>(s, angles()); }
void BM_fcos(benchmark::State& s) { unary<fcos>(s, angles()); }
void BM_libc_cosf(benchmark::State& s) { unary<libc_cos>(s, angles()); }
void BM_fsin_wide(benchmark::State& s) { unary<fsin>(s, wide_angles()); }
void BM_libc_sinf_wide(benchmark::State& s) { unary<libc_sin>(s, wide_angles()); }
void BM_fexp(benchmark::State& s) { unary<fexp>(s, exponents()); }
void BM_libc_expf(benchmark::State& s) { unary<libc_exp>(s, exponents()); }
void BM_fatan2(benchmark::State& s) { binary<fatan2>(s); }
void BM_libc_atan2f(benchmark::State& s) { binary<libc_atan2>(s); }

void BM_fsincos(benchmark::State& state) {
    const std::vector<float>& in = angles();
    size_t i = 0;
    for (auto _ : state) {
        float s, c;
        fsincos(in[i], s, c);
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(c);
        i = (i + 1) & (INPUTS - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_libc_sincosf(benchmark::State& state) {
    const std::vector<float>& in = angles();
    size_t i = 0;
    for (auto _ : state) {
        float s, c;
#if defined(__GLIBC__)
        ::sincosf(in[i], &s, &c);
#else
        s = ::sinf(in[i]);
        c = ::cosf(in[i]);
#endif
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(c);
        i = (i + 1) & (INPUTS - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

// A chain where each call waits for the previous result: the latency that a
// step computing one angle from another sees.
template <float (*F)(float)>
void chained(benchmark::State& state) {
    float x = 0.5f;
    for (auto _ : state) {
        x = F(x) + 0.75f;
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_fsin_chained(benchmark::State& s) { chained<fsin>(s); }
void BM_libc_sinf_chained(benchmark::State& s) { chained<libc_sin>(s); }

}  // namespace

BENCHMARK(BM_fsin);
BENCHMARK(BM_libc_sinf);
BENCHMARK(BM_fcos);
BENCHMARK(BM_libc_cosf);
BENCHMARK(BM_fsincos);
BENCHMARK(BM_libc_sincosf);
BENCHMARK(BM_fsin_wide);
BENCHMARK(BM_libc_sinf_wide);
BENCHMARK(BM_fsin_chained);
BENCHMARK(BM_libc_sinf_chained);
BENCHMARK(BM_fatan2);
BENCHMARK(BM_libc_atan2f);
BENCHMARK(BM_fexp);
BENCHMARK(BM_libc_expf);

#pragma once
// Cheap, conservative distance tests that let the step skip pairs whose exact
// test cannot succeed. They never decide a touch or a hit themselves: they
// only rule out pairs that are certainly farther apart than the exact test's
// reach, with a margin far above the rounding of the exact arithmetic.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "world/vec2.h"
#include "world/world.h"

// True when the nearest copies of coordinates a and b are surely more than
// `reach` apart. Coordinates more than one field apart (only in a world from
// the wire) are left to the exact test.
inline bool axis_beyond(float a, float b, float reach, float size) {
    float d = std::fabs(b - a);
    if (!(d < size)) return false;
    float nearest = d > size * 0.5f ? size - d : d;  // never more than the wrapped distance
    float margin = 1.0f + 1e-5f * (std::fabs(a) + std::fabs(b) + reach);
    return nearest > reach + margin;
}

// The same in two dimensions, with a separate reach per axis.
inline bool surely_beyond(Vec2 a, Vec2 b, float reach_x, float reach_y, Vec2 size) {
    return axis_beyond(a.x, b.x, reach_x, size.x) || axis_beyond(a.y, b.y, reach_y, size.y);
}

// A segment from p0 moving by `move` cannot reach any shape that lies within
// `radius` of `centre` (a shot's own 2.5 is part of `radius`).
inline bool segment_beyond(Vec2 p0, Vec2 move, Vec2 centre, float radius, Vec2 size) {
    return surely_beyond(p0, centre, radius + std::fabs(move.x), radius + std::fabs(move.y), size);
}

// The test of axis_beyond for N (64) positions at once: bit k of the result is
// set unless the nearest copies of (xs[k], ys[k]) and p are surely more than
// reach[k] + extra_x apart along x, or reach[k] + extra_y along y. An entry
// with reach -infinity is always ruled out. The caller's extras include a
// margin at least as wide as axis_beyond's for every pair it tests.
// Only entries from `from` (rounded down to a multiple of 4) up to `to`
// (rounded up) are examined, and they must be set; the other bits stay clear.
template <int N = 64>
uint64_t near_mask(const float* xs, const float* ys, const float* reach, Vec2 p, float extra_x, float extra_y, Vec2 size,
                   int from = 0, int to = N) {
    static_assert(N % 4 == 0 && N <= 64);
    typedef float F4 __attribute__((vector_size(16)));
    typedef int32_t I4 __attribute__((vector_size(16)));
    const F4 px = {p.x, p.x, p.x, p.x}, py = {p.y, p.y, p.y, p.y};
    const F4 ex = {extra_x, extra_x, extra_x, extra_x}, ey = {extra_y, extra_y, extra_y, extra_y};
    const F4 sx = {size.x, size.x, size.x, size.x}, sy = {size.y, size.y, size.y, size.y};
    const F4 hx = sx * 0.5f, hy = sy * 0.5f;
    const I4 magnitude = {0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff};
    uint64_t mask = 0;
    for (int k = from & ~3; k < to && k < N; k += 4) {
        F4 x, y, r;
        std::memcpy(&x, xs + k, sizeof x);
        std::memcpy(&y, ys + k, sizeof y);
        std::memcpy(&r, reach + k, sizeof r);
        F4 dx = (F4)((I4)(x - px) & magnitude);
        F4 dy = (F4)((I4)(y - py) & magnitude);
        I4 wrap_x = dx > hx, wrap_y = dy > hy;
        F4 nx = (F4)(((I4)(sx - dx) & wrap_x) | ((I4)dx & ~wrap_x));
        F4 ny = (F4)(((I4)(sy - dy) & wrap_y) | ((I4)dy & ~wrap_y));
        I4 far = (nx > r + ex) | (ny > r + ey);
#if defined(__SSE__)
        uint64_t lanes = static_cast<uint64_t>(__builtin_ia32_movmskps((F4)far));
#else
        uint64_t lanes = 0;
        for (int j = 0; j < 4; ++j) lanes |= static_cast<uint64_t>(far[j] != 0) << j;
#endif
        mask |= (~lanes & 15) << k;
    }
    return mask;
}

// The count rounded up to whole groups of four entries of near_mask.
inline int whole_groups(int count) { return (count + 3) & ~3; }

// The bits of entries 0..count-1.
inline uint64_t first_bits(int count) { return count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1; }

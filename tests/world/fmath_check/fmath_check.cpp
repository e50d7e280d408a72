// Long accuracy check of the portable float32 functions (world/fmath.h), run by
// hand: every float of the game's angle range, every float of exp's finite
// range, and many millions of random inputs, each compared with the float
// nearest to the C library's long double result (64-bit significand: its own
// error is far below the distance of a float function value from a rounding
// boundary, except in astronomically rare cases). Reports per set: inputs,
// results that are not the correctly rounded float, the largest error in
// float ulps, how often the careful path ran, and the largest error of the
// fast double evaluation in double ulps (which must stay well inside the
// tolerance of 64 that decides when the careful path runs).
//
//   fmath_check            full run (a few minutes on 2 cores)
//   fmath_check --quick    small sample of every set (about a second)
//   fmath_check --threads N
// Its last lines name a digest of every input and result (the same bits give
// the same digest on every system and compiler) and the verdict.
// Exits 1 when any result is not correctly rounded.
#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "world/fmath.h"
#include "world/fmath_dd.h"
#include "world/fmath_internal.h"

namespace {

struct Stats {
    uint64_t inputs = 0;
    uint64_t wrong = 0;         // not the correctly rounded float
    uint64_t careful = 0;       // fast value not safe: the careful path decided
    uint64_t fast_seen = 0;     // inputs that went through the fast path
    long double max_ulps = 0;   // |result - reference| in float ulps
    long double max_fast = 0;   // |fast double - reference| in double ulps
    uint64_t not_identical = 0; // fsincos differs from fsin / fcos
    uint64_t digest = 0;        // of every input and result, in any order: the same bits give the same digest
    std::vector<std::string> examples;

    void merge(const Stats& o) {
        inputs += o.inputs;
        wrong += o.wrong;
        careful += o.careful;
        fast_seen += o.fast_seen;
        digest += o.digest;
        if (o.max_ulps > max_ulps) max_ulps = o.max_ulps;
        if (o.max_fast > max_fast) max_fast = o.max_fast;
        not_identical += o.not_identical;
        for (const auto& e : o.examples)
            if (examples.size() < 10) examples.push_back(e);
    }
};

float float_from(uint32_t b) { return std::bit_cast<float>(b); }
uint32_t bits_of(float f) { return std::bit_cast<uint32_t>(f); }

long double float_ulp(long double v) {
    v = std::fabs(v);
    if (v < 0x1p-126L) return 0x1p-149L;
    if (v >= 0x1p127L) return 0x1p104L;
    return std::ldexp(1.0L, std::ilogb(v) - 23);
}

long double double_ulp(long double v) {
    v = std::fabs(v);
    if (v < 0x1p-1022L) return 0x1p-1074L;
    return std::ldexp(1.0L, std::ilogb(v) - 52);
}

// One result's share of the digest: a hash of the function's name, the
// input and the result, so that any differing bit changes the sum.
uint64_t mix(uint64_t input, uint32_t result, const char* what) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const char* c = what; *c; ++c) h = (h ^ static_cast<unsigned char>(*c)) * 0x100000001b3ull;
    h ^= input * 0x9e3779b97f4a7c15ull;
    h = (h ^ (h >> 31)) * 0xbf58476d1ce4e5b9ull;
    h ^= result;
    h = (h ^ (h >> 29)) * 0x94d049bb133111ebull;
    return h ^ (h >> 32);
}

bool same(float a, float b) { return bits_of(a) == bits_of(b) || (a != a && b != b); }

// One result against the long double reference.
void record(Stats& st, const char* what, float x, float y2, bool two, float got, long double ref,
            double fast, bool fast_valid) {
    st.inputs++;
    // Every NaN counts as one: its sign and payload are no result.
    const uint32_t result_bits = got != got ? 0x7fc00000u : bits_of(got);
    st.digest += mix(static_cast<uint64_t>(bits_of(x)) << 32 | bits_of(two ? y2 : 0.0f), result_bits, what);
    float want = static_cast<float>(ref);
    if (fast_valid) {
        st.fast_seen++;
        if (!fmath_internal::rounds_safely(fast)) st.careful++;
        if (std::isfinite(ref) && ref != 0) {
            long double e = std::fabs(static_cast<long double>(fast) - ref) / double_ulp(ref);
            if (e > st.max_fast) st.max_fast = e;
        }
    }
    if (std::isfinite(ref) && std::isfinite(got)) {
        long double e = std::fabs(static_cast<long double>(got) - ref) / float_ulp(ref);
        if (e > st.max_ulps) st.max_ulps = e;
    }
    if (!same(got, want)) {
        st.wrong++;
        if (st.examples.size() < 10) {
            char buf[256];
            if (two)
                std::snprintf(buf, sizeof buf, "%s(%a, %a) = %a, correctly rounded %a (reference %.21Lg)", what,
                              static_cast<double>(x), static_cast<double>(y2), static_cast<double>(got),
                              static_cast<double>(want), ref);
            else
                std::snprintf(buf, sizeof buf, "%s(%a) = %a, correctly rounded %a (reference %.21Lg)", what,
                              static_cast<double>(x), static_cast<double>(got), static_cast<double>(want), ref);
            st.examples.push_back(buf);
        }
    }
}

// A small fast generator for the random sets (splitmix64).
struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    float uniform(float lo, float hi) {
        float u = static_cast<float>(next() >> 40) * 0x1p-24f;
        return lo + (hi - lo) * u;
    }
    // Any finite float, every bit pattern equally likely.
    float any_finite() {
        for (;;) {
            float f = float_from(static_cast<uint32_t>(next() >> 32));
            if (std::isfinite(f)) return f;
        }
    }
};

unsigned g_threads = 2;

// Runs body(first, last, stats) over [0, count) split among the threads.
Stats parallel(uint64_t count, const std::function<void(uint64_t, uint64_t, Stats&)>& body) {
    std::vector<Stats> parts(g_threads);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < g_threads; ++t) {
        uint64_t first = count * t / g_threads;
        uint64_t last = count * (t + 1) / g_threads;
        workers.emplace_back([&, t, first, last] { body(first, last, parts[t]); });
    }
    for (auto& w : workers) w.join();
    Stats all;
    for (const auto& p : parts) all.merge(p);
    return all;
}

bool g_failed = false;
uint64_t g_digest = 0;

void report(const char* name, const Stats& st) {
    g_digest += st.digest;
    std::printf("%-44s %12llu inputs  %llu not correctly rounded  max %.4Lf ulp", name,
                static_cast<unsigned long long>(st.inputs), static_cast<unsigned long long>(st.wrong), st.max_ulps);
    if (st.fast_seen)
        std::printf("  careful path %llu  fast error max %.2Lf double ulps", static_cast<unsigned long long>(st.careful),
                    st.max_fast);
    if (st.not_identical) std::printf("  fsincos differs %llu", static_cast<unsigned long long>(st.not_identical));
    std::printf("\n");
    for (const auto& e : st.examples) std::printf("    %s\n", e.c_str());
    std::fflush(stdout);
    if (st.wrong || st.not_identical) g_failed = true;
}

// sin, cos and sincos of one input.
void check_sincos(Stats& ss, Stats& sc, float x) {
    long double s, c;
    sincosl(static_cast<long double>(x), &s, &c);
    float fs = fsin(x);
    float fc = fcos(x);
    float bs, bc;
    fsincos(x, bs, bc);
    bool finite = std::isfinite(x);
    bool sin_uses_fast = finite && std::fabs(x) >= 0x1p-12f;  // below, sin x rounds to x
    record(ss, "sin", x, 0, false, fs, s, sin_uses_fast ? fmath_internal::sin_fast(x) : 0.0, sin_uses_fast);
    record(sc, "cos", x, 0, false, fc, c, finite ? fmath_internal::cos_fast(x) : 0.0, finite);
    if (!same(bs, fs)) ss.not_identical++;
    if (!same(bc, fc)) sc.not_identical++;
}

// Every stride-th float of [-limit, limit] (-0 included), both signs.
void sincos_all(const char* name_s, const char* name_c, float limit, uint64_t stride) {
    uint32_t top = bits_of(limit);
    uint64_t per_sign = top + 1ull;
    uint64_t count = (2 * per_sign + stride - 1) / stride;
    std::vector<Stats> s_parts(g_threads), c_parts(g_threads);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < g_threads; ++t) {
        uint64_t first = count * t / g_threads;
        uint64_t last = count * (t + 1) / g_threads;
        workers.emplace_back([&, t, first, last] {
            for (uint64_t i = first; i < last; ++i) {
                uint64_t k = i * stride;
                uint32_t b = k < per_sign ? uint32_t(k) : uint32_t(k - per_sign) | 0x80000000u;
                check_sincos(s_parts[t], c_parts[t], float_from(b));
            }
        });
    }
    for (auto& w : workers) w.join();
    Stats s, c;
    for (unsigned t = 0; t < g_threads; ++t) {
        s.merge(s_parts[t]);
        c.merge(c_parts[t]);
    }
    report(name_s, s);
    report(name_c, c);
}

void sincos_random(const char* name_s, const char* name_c, uint64_t count, uint64_t seed,
                   const std::function<float(Rng&)>& draw) {
    std::vector<Stats> s_parts(g_threads), c_parts(g_threads);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < g_threads; ++t) {
        uint64_t n = count * (t + 1) / g_threads - count * t / g_threads;
        workers.emplace_back([&, t, n] {
            Rng rng{seed * 1000 + t};
            for (uint64_t i = 0; i < n; ++i) check_sincos(s_parts[t], c_parts[t], draw(rng));
        });
    }
    for (auto& w : workers) w.join();
    Stats s, c;
    for (unsigned t = 0; t < g_threads; ++t) {
        s.merge(s_parts[t]);
        c.merge(c_parts[t]);
    }
    report(name_s, s);
    report(name_c, c);
}

void check_exp(Stats& st, float x) {
    bool in_range = x > -104.0f && x < 89.0f;
    record(st, "exp", x, 0, false, fexp(x), expl(static_cast<long double>(x)),
           in_range ? fmath_internal::exp_fast(x) : 0.0, in_range);
}

void exp_all(uint64_t stride) {
    // Positive floats up to 89 and negative ones down to -104, plus beyond.
    uint64_t pos = bits_of(89.0f) + 1ull;
    uint64_t neg = bits_of(104.0f) + 1ull;
    uint64_t count = (pos + neg + stride - 1) / stride;
    Stats st = parallel(count, [&](uint64_t first, uint64_t last, Stats& s) {
        for (uint64_t i = first; i < last; ++i) {
            uint64_t k = i * stride;
            uint32_t b = k < pos ? uint32_t(k) : uint32_t(k - pos) | 0x80000000u;
            check_exp(s, float_from(b));
        }
    });
    report(stride == 1 ? "exp: every float in [-104, 89]" : "exp: sample of the floats in [-104, 89]", st);
}

void check_atan2(Stats& st, float y, float x) {
    bool regular = x != 0 && y != 0 && std::isfinite(x) && std::isfinite(y);
    record(st, "atan2", y, x, true, fatan2(y, x),
           atan2l(static_cast<long double>(y), static_cast<long double>(x)),
           regular ? fmath_internal::atan2_fast_magnitude(y, x) * (std::signbit(y) ? -1.0 : 1.0) : 0.0, regular);
}

void atan2_random(const char* name, uint64_t count, uint64_t seed,
                  const std::function<void(Rng&, float&, float&)>& draw) {
    Stats st = parallel(count, [&](uint64_t first, uint64_t last, Stats& s) {
        Rng rng{seed * 1000 + first};
        for (uint64_t i = first; i < last; ++i) {
            float y, x;
            draw(rng, y, x);
            check_atan2(s, y, x);
        }
    });
    report(name, st);
}

// The careful paths alone: they decide only rare inputs in the sets above,
// so they are checked here on their own over many ordinary ones.
void careful_sets(uint64_t n) {
    Stats st = parallel(n, [&](uint64_t first, uint64_t last, Stats& s) {
        Rng rng{77 + first};
        for (uint64_t i = first; i < last; ++i) {
            float x = (i & 1) ? rng.uniform(-100.0f, 100.0f) : rng.any_finite();
            long double rs, rc;
            sincosl(static_cast<long double>(x), &rs, &rc);
            record(s, "sin_careful", x, 0, false, fmath_internal::sin_careful(x), rs, 0, false);
            record(s, "cos_careful", x, 0, false, fmath_internal::cos_careful(x), rc, 0, false);
        }
    });
    report("careful sin+cos: random angles", st);
    st = parallel(n, [&](uint64_t first, uint64_t last, Stats& s) {
        Rng rng{88 + first};
        for (uint64_t i = first; i < last; ++i) {
            float x = rng.uniform(-103.9f, 88.7f);
            if (i & 1) {
                // Two draws, in this order on every compiler (the order of a
                // call's arguments is not fixed).
                const float mantissa = rng.uniform(-1.0f, 1.0f);
                x = std::ldexp(mantissa, -static_cast<int>(rng.next() % 30));
            }
            record(s, "exp_careful", x, 0, false, fmath_internal::exp_careful(x), expl(x), 0, false);
        }
    });
    report("careful exp: random arguments", st);
    st = parallel(n, [&](uint64_t first, uint64_t last, Stats& s) {
        Rng rng{99 + first};
        for (uint64_t i = first; i < last; ++i) {
            float y = (i & 1) ? rng.uniform(-20000.0f, 20000.0f) : rng.any_finite();
            float x = (i & 1) ? rng.uniform(-20000.0f, 20000.0f) : rng.any_finite();
            if (x == 0 || y == 0) continue;
            record(s, "atan2_careful", y, x, true, fmath_internal::atan2_careful(y, x), atan2l(y, x), 0, false);
        }
    });
    report("careful atan2: random pairs", st);
}

// The smallest distance of any float >= 2^-7 from a multiple of pi/2, over
// every float (or a sample): sin and cos rely on it to know that their results
// are normal floats, far from the subnormal range.
void closest_to_quarter_turns(uint64_t stride) {
    const uint32_t first = 0x3c000000u;  // 2^-7; below, |x| itself is the distance
    const uint32_t last = 0x7f7fffffu;
    uint64_t count = (uint64_t(last - first) + stride) / stride;
    std::vector<double> best(g_threads, 1.0);
    std::vector<uint32_t> where(g_threads, 0);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < g_threads; ++t) {
        uint64_t lo = count * t / g_threads;
        uint64_t hi = count * (t + 1) / g_threads;
        workers.emplace_back([&, t, lo, hi] {
            for (uint64_t i = lo; i < hi; ++i) {
                uint32_t b = first + uint32_t(i * stride);
                double f = std::fabs(fmath_dd::reduce_quarter_turns(float_from(b)).hi);
                if (f < best[t]) {
                    best[t] = f;
                    where[t] = b;
                }
            }
        });
    }
    for (auto& w : workers) w.join();
    unsigned k = 0;
    for (unsigned t = 1; t < g_threads; ++t)
        if (best[t] < best[k]) k = t;
    double r = best[k] * 1.5707963267948966;
    std::printf("%-44s %12llu inputs  closest: x = %a, |x - k pi/2| = %.3e = 2^%.1f\n",
                stride == 1 ? "reduction: every float >= 2^-7" : "reduction: sample of the floats >= 2^-7",
                static_cast<unsigned long long>(count), static_cast<double>(float_from(where[k])), r, std::log2(r));
    if (r < 0x1p-100) g_failed = true;  // sin and cos would approach the subnormals
    std::fflush(stdout);
}

void special_values() {
    const float inf = INFINITY;
    const float nan = NAN;
    const float values[] = {0.0f, -0.0f, inf, -inf, nan, 1.0f, -1.0f, FLT_MIN, -FLT_MIN, FLT_TRUE_MIN,
                            -FLT_TRUE_MIN, FLT_MAX, -FLT_MAX, 0.5f, -3.0f, 1e30f, -1e-30f};
    Stats s, c, e, a;
    for (float x : values) {
        check_sincos(s, c, x);
        check_exp(e, x);
        for (float y : values) check_atan2(a, y, x);
    }
    report("sin: special and extreme values", s);
    report("cos: special and extreme values", c);
    report("exp: special and extreme values", e);
    report("atan2: all pairs of special values", a);
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc)
            g_threads = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        else {
            std::fprintf(stderr, "usage: fmath_check [--quick] [--threads N]\n");
            return 2;
        }
    }
    if (LDBL_MANT_DIG < 64) {
        std::printf("fmath_check: long double has %d bits here; the reference needs at least 64\n", LDBL_MANT_DIG);
        return 0;
    }
    const uint64_t stride = quick ? 4099 : 1;
    const uint64_t random_n = quick ? 20000 : 100000000;

    special_values();
    closest_to_quarter_turns(stride);
    sincos_all(quick ? "sin: sample of the floats in [-100, 100]" : "sin: every float in [-100, 100]",
               quick ? "cos: sample of the floats in [-100, 100]" : "cos: every float in [-100, 100]", 100.0f, stride);
    sincos_random("sin: random finite floats (all bit patterns)", "cos: random finite floats (all bit patterns)",
                  random_n, 1, [](Rng& r) { return r.any_finite(); });
    sincos_random("sin: random in [-2^24, 2^24]", "cos: random in [-2^24, 2^24]", random_n / 4, 2,
                  [](Rng& r) { return r.uniform(-16777216.0f, 16777216.0f); });
    exp_all(quick ? 4099 : 1);
    atan2_random("atan2: random pairs in [-20000, 20000]^2", random_n, 3, [](Rng& r, float& y, float& x) {
        y = r.uniform(-20000.0f, 20000.0f);
        x = r.uniform(-20000.0f, 20000.0f);
    });
    atan2_random("atan2: random pairs in [-1, 1]^2", random_n / 4, 4, [](Rng& r, float& y, float& x) {
        y = r.uniform(-1.0f, 1.0f);
        x = r.uniform(-1.0f, 1.0f);
    });
    atan2_random("atan2: random pairs of finite floats", random_n / 2, 5, [](Rng& r, float& y, float& x) {
        y = r.any_finite();
        x = r.any_finite();
    });
    atan2_random("atan2: near the axes and diagonals", random_n / 4, 6, [](Rng& r, float& y, float& x) {
        x = r.uniform(-20000.0f, 20000.0f);
        float k = static_cast<float>(r.next() % 17) / 16.0f;
        y = x * k + r.uniform(-1.0f, 1.0f) * std::ldexp(1.0f, -static_cast<int>(r.next() % 40));
        if (r.next() & 1) std::swap(x, y);
    });
    careful_sets(quick ? 2000 : 4000000);

    // Builds for other systems or by other compilers compare this line.
    std::printf("fmath_check: results digest %016llx\n", static_cast<unsigned long long>(g_digest));
    std::printf(g_failed ? "fmath_check: FAILED\n" : "fmath_check: every result correctly rounded\n");
    return g_failed ? 1 : 0;
}

#pragma once
// Building blocks of the portable float32 functions: bit access and
// double-double arithmetic from error-free transformations. Every step is a
// single IEEE double operation in round-to-nearest, so the results are the
// same on every platform (the build forbids contraction into fused
// multiply-add, which would change them).
#include <bit>
#include <cstdint>

#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace fmath_dd {

inline uint64_t bits(double d) { return std::bit_cast<uint64_t>(d); }
inline double from_bits(uint64_t b) { return std::bit_cast<double>(b); }
inline uint32_t fbits(float f) { return std::bit_cast<uint32_t>(f); }
inline float from_fbits(uint32_t b) { return std::bit_cast<float>(b); }

// 2^e for -1022 <= e <= 1023, exactly.
inline double pow2(int e) { return from_bits(uint64_t(e + 1023) << 52); }

// Adding then subtracting 1.5 * 2^52 rounds a double of magnitude below 2^51
// to the nearest integer; the low bits of the sum hold that integer.
inline constexpr double ROUND_SHIFT = 0x1.8p52;

// A value hi + lo with |lo| <= half an ulp of hi.
struct DD {
    double hi;
    double lo;
};

inline DD dd_neg(DD a) { return {-a.hi, -a.lo}; }

// a + b exactly, any magnitudes.
inline DD two_sum(double a, double b) {
    double s = a + b;
    double bb = s - a;
    double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// a + b exactly when |a| >= |b| (or a == 0).
inline DD fast_two_sum(double a, double b) {
    double s = a + b;
    double e = b - (s - a);
    return {s, e};
}

// Splits a into two halves of 26 bits each (Veltkamp).
inline void split(double a, double& h, double& l) {
    double t = 134217729.0 * a;  // 2^27 + 1
    h = t - (t - a);
    l = a - h;
}

// a * b exactly (Dekker), for products far from overflow and underflow.
inline DD two_prod(double a, double b) {
    double p = a * b;
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

inline DD dd_add(DD a, DD b) {
    DD s = two_sum(a.hi, b.hi);
    DD t = two_sum(a.lo, b.lo);
    s.lo += t.hi;
    s = fast_two_sum(s.hi, s.lo);
    s.lo += t.lo;
    return fast_two_sum(s.hi, s.lo);
}

inline DD dd_sub(DD a, DD b) { return dd_add(a, dd_neg(b)); }

inline DD dd_mul(DD a, DD b) {
    DD p = two_prod(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return fast_two_sum(p.hi, p.lo);
}

inline DD dd_div_d(DD a, double d) {
    double q1 = a.hi / d;
    DD p = two_prod(q1, d);
    double rem = ((a.hi - p.hi) - p.lo) + a.lo;
    return fast_two_sum(q1, rem / d);
}

// The float nearest to hi + lo. Rounding to a double with round-to-odd first
// and then to float gives the correctly rounded float, because a double has
// more than two bits beyond a float's 24 (also for subnormal floats).
inline float round_dd(DD v) {
    double hi = v.hi;
    uint64_t b = bits(hi);
    if (v.lo != 0 && (b & 1) == 0) hi = from_bits((v.lo > 0) == (hi > 0) ? b + 1 : b - 1);
    return static_cast<float>(hi);
}

// |x| = m * 2^e * (2/pi) reduced modulo 4 to the nearest integer q (mod 4)
// plus a fraction f in [-1/2, 1/2], with the sign of x applied; f = hi + lo
// with an absolute error below 2^-133, for every finite float |x| >= 2^-7.
struct QuarterTurns {
    double hi;
    double lo;
    int q;
};
QuarterTurns reduce_quarter_turns(float x);

}  // namespace fmath_dd

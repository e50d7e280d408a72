// Careful paths of the portable float32 functions: double-double evaluation
// with a relative error near 2^-100, far below the distance of any float
// function value from a rounding boundary, then one correct rounding. They run
// only for the rare inputs whose fast value is too close to such a boundary,
// so they favour plain series over speed.
#include "world/fmath_dd.h"
#include "world/fmath_internal.h"
#include "world/fmath_tables.h"

using namespace fmath_dd;
using namespace fmath_tables;

namespace {

constexpr uint32_t TWO_POW_M7 = 0x3c000000u;

// sin r and cos r for |r| <= pi/4 by their Taylor series (the last terms,
// r^29/29! and r^28/28!, are below 2^-110).
DD sin_series(DD r) {
    DD r2 = dd_mul(r, r);
    DD term = r;
    DD sum = r;
    for (int n = 1; n <= 14; ++n) {
        term = dd_div_d(dd_mul(term, r2), double((2 * n) * (2 * n + 1)));
        sum = (n & 1) ? dd_sub(sum, term) : dd_add(sum, term);
    }
    return sum;
}

DD cos_series(DD r) {
    DD r2 = dd_mul(r, r);
    DD term{1.0, 0.0};
    DD sum{1.0, 0.0};
    for (int n = 1; n <= 14; ++n) {
        term = dd_div_d(dd_mul(term, r2), double((2 * n - 1) * (2 * n)));
        sum = (n & 1) ? dd_sub(sum, term) : dd_add(sum, term);
    }
    return sum;
}

struct ReducedDD {
    DD r;
    int q;
};

ReducedDD reduce_careful(float x) {
    if ((fbits(x) & 0x7fffffffu) < TWO_POW_M7) return {{x, 0.0}, 0};
    QuarterTurns f = reduce_quarter_turns(x);
    return {dd_mul({f.hi, f.lo}, {PIO2_HI, PIO2_LO}), f.q};
}

// e^r for |r| <= 0.35 (the last term, r^24/24!, is below 2^-115).
DD exp_series(DD r) {
    DD term = r;
    DD sum = dd_add({1.0, 0.0}, r);
    for (int n = 2; n <= 24; ++n) {
        term = dd_div_d(dd_mul(term, r), double(n));
        sum = dd_add(sum, term);
    }
    return sum;
}

// atan t for |t| <= 1/32 (the last term, t^23/23, is below 2^-115 |t|).
DD atan_series(DD t) {
    DD t2 = dd_mul(t, t);
    DD power = t;
    DD sum = t;
    for (int n = 1; n <= 11; ++n) {
        power = dd_mul(power, t2);
        DD term = dd_div_d(power, double(2 * n + 1));
        sum = (n & 1) ? dd_sub(sum, term) : dd_add(sum, term);
    }
    return sum;
}

// a / b as a double-double, a and b doubles.
DD div_dd(double a, double b) {
    double q1 = a / b;
    DD p = two_prod(q1, b);
    double rem = (a - p.hi) - p.lo;  // a - p.hi is exact: p.hi is within an ulp of a
    return fast_two_sum(q1, rem / b);
}

}  // namespace

namespace fmath_internal {

float sin_careful(float x) {
    ReducedDD a = reduce_careful(x);
    DD v = (a.q & 1) ? cos_series(a.r) : sin_series(a.r);
    return round_dd((a.q & 2) ? dd_neg(v) : v);
}

float cos_careful(float x) {
    ReducedDD a = reduce_careful(x);
    DD v = (a.q & 1) ? sin_series(a.r) : cos_series(a.r);
    return round_dd(((a.q + 1) & 2) ? dd_neg(v) : v);
}

float exp_careful(float x) {
    // x = k ln2 + r, |k| <= 151: k * LN2_C1 and k * LN2_C2 are exact (45-bit
    // parts), and so is x - k * LN2_C1.
    double xd = x;
    double kd = xd * INV_LN2 + ROUND_SHIFT;
    int k = int(uint32_t(bits(kd)));
    kd -= ROUND_SHIFT;
    DD r = two_sum(xd - kd * LN2_C1, -(kd * LN2_C2));
    r = dd_add(r, {-(kd * LN2_C3), 0.0});
    DD v = exp_series(r);
    double scale = pow2(k);  // exact: -151 <= k <= 129
    return round_dd({v.hi * scale, v.lo * scale});
}

float atan2_careful(float y, float x) {
    uint32_t ux = fbits(x) & 0x7fffffffu;
    uint32_t uy = fbits(y) & 0x7fffffffu;
    bool swap = uy > ux;
    float fn = from_fbits(swap ? ux : uy);
    float fd = from_fbits(swap ? uy : ux);
    int i = int((fn / fd) * 16.0f + 0.5f);
    double c = i * 0.0625;
    double n = fn;
    double d = fd;
    DD t = div_dd(n - c * d, d + c * n);  // numerator and denominator exact
    DD a = atan_series(t);
    int kind = int(fbits(x) >> 31) * 2 + int(swap);
    const double* base = &ATAN_BASE[(kind * 17 + i) * 2];
    DD angle = dd_add({base[0], base[1]}, (kind == 0 || kind == 3) ? a : dd_neg(a));
    if (fbits(y) >> 31) angle = dd_neg(angle);
    return round_dd(angle);
}

}  // namespace fmath_internal

// Fast paths of the portable float32 functions: each evaluates in double with
// a relative error below 2^-49 (a few units in the last place of the double),
// then rounds once to float. When the double lies within that bound of a
// point halfway between two floats, the careful path (fmath_careful.cpp)
// decides the rounding instead.
#include "world/fmath.h"

#include "world/fmath_dd.h"
#include "world/fmath_internal.h"
#include "world/fmath_tables.h"

using namespace fmath_dd;
using namespace fmath_tables;

namespace {

// Error bound of the fast paths in units in the last place of the double
// result: the analysis gives below 10 and the long check measures at most 5;
// this keeps a wide margin. The careful path then runs for about 2 * 64 / 2^29
// of the inputs.
constexpr uint64_t TOLERANCE_ULPS = 64;

// Any result, including subnormal floats and overflow.
inline bool safe(double y) {
    uint64_t b = bits(y);
    return static_cast<float>(from_bits(b - TOLERANCE_ULPS)) ==
           static_cast<float>(from_bits(b + TOLERANCE_ULPS));
}

// Results known to be normal floats: a float keeps the top 24 of the
// double's 53 significant bits, so the halfway points between floats are the
// doubles whose 29 dropped bits are 1000...0.
inline bool safe_normal(double y) {
    constexpr uint64_t DROPPED = (uint64_t(1) << 29) - 1;
    constexpr uint64_t HALFWAY = uint64_t(1) << 28;
    return ((bits(y) + TOLERANCE_ULPS - HALFWAY) & DROPPED) > 2 * TOLERANCE_ULPS;
}

constexpr uint32_t ABS_MASK = 0x7fffffffu;
constexpr uint32_t INF_BITS = 0x7f800000u;
constexpr uint32_t TWO_POW_20 = 0x49800000u;
constexpr uint32_t TWO_POW_M12 = 0x39800000u;

// Every NaN result is this quiet NaN: the payload that hardware propagates
// or creates differs between platforms and even between operand orders.
constexpr uint32_t NAN_BITS = 0x7fc00000u;
inline float nan_result() { return from_fbits(NAN_BITS); }

// An angle reduced to r in about [-pi/4, pi/4] and the quadrant q (mod 4).
struct Reduced {
    double r;
    int q;
};

// |x| < 2^20: k = round(x 2/pi) < 2^20, so k * PIO2_1 and k * PIO2_2 are exact
// and x - k * PIO2_1 is exact; r keeps a relative error near 2^-52.
inline Reduced reduce_small(float x) {
    double xd = x;
    double kd = xd * INV_PIO2 + ROUND_SHIFT;
    int q = int(uint32_t(bits(kd)));
    kd -= ROUND_SHIFT;
    double t = xd - kd * PIO2_1;
    double u = t - kd * PIO2_2;
    return {u - kd * PIO2_3, q};
}

[[gnu::noinline]] Reduced reduce_large(float x) {
    QuarterTurns f = reduce_quarter_turns(x);
    return {f.hi * PIO2_HI + (f.hi * PIO2_LO + f.lo * PIO2_HI), f.q};
}

// Any finite x.
inline Reduced reduce(float x) {
    return (fbits(x) & ABS_MASK) < TWO_POW_20 ? reduce_small(x) : reduce_large(x);
}

// The polynomials of sin r = r + r z S(z) and cos r = (1 - z/2) + z^2 C(z),
// z = r^2, evaluated in one form u + v P(z).
inline double poly6(const double* p, double z, double z2) {
    return (p[0] + z * p[1]) + z2 * ((p[2] + z * p[3]) + z2 * (p[4] + z * p[5]));
}

// Per quadrant q (mod 4), the factors that turn u + v P(z) into sin x:
// sin r, cos r, -sin r, -cos r. Multiplying by +-1 and 0 and adding the zero
// are exact, so the value is bit for bit r + (r z) S(z) or (1 - z/2) + z^2 C(z),
// negated in quadrants 2 and 3 (rounding to nearest is symmetric). fsin, fcos
// and fsincos all compute it this way, so they agree bit for bit.
struct QuadrantFactors {
    double r_factor;    // of u = r (sin)
    double w_factor;    // of u = 1 - z/2 (cos)
    double rz_factor;   // of v = r z (sin)
    double z2_factor;   // of v = z^2 (cos)
};
constexpr QuadrantFactors QUADRANT[4] = {
    {1, 0, 1, 0}, {0, 1, 0, 1}, {-1, 0, -1, 0}, {0, -1, 0, -1}};
constexpr double SINCOS_POLY[2][6] = {
    {SIN_S[0], SIN_S[1], SIN_S[2], SIN_S[3], SIN_S[4], SIN_S[5]},
    {COS_C[0], COS_C[1], COS_C[2], COS_C[3], COS_C[4], COS_C[5]}};

// sin(r + q pi/2) with one polynomial and no branch.
inline double sin_in_quadrant(double r, int q) {
    const QuadrantFactors& f = QUADRANT[q & 3];
    double z = r * r;
    double z2 = z * z;
    double u = r * f.r_factor + (1.0 - 0.5 * z) * f.w_factor;
    double v = (r * z) * f.rz_factor + z2 * f.z2_factor;
    return u + v * poly6(SINCOS_POLY[q & 1], z, z2);
}

// sin x = sin(r + q pi/2); cos x = sin(r + (q + 1) pi/2).
inline double sin_value(float x) {
    Reduced a = reduce(x);
    return sin_in_quadrant(a.r, a.q);
}

inline double cos_value(float x) {
    Reduced a = reduce(x);
    return sin_in_quadrant(a.r, a.q + 1);
}

// -104 < x < 89: x = (128 k' + j) ln2/128 + r with |r| <= ln2/256;
// e^x = 2^k' 2^(j/128) e^r, the power of two added to the exponent bits.
inline double exp_value(float x) {
    double xd = x;
    double kd = xd * INV_LN2_128 + ROUND_SHIFT;
    int k = int(uint32_t(bits(kd)));
    kd -= ROUND_SHIFT;
    double r = (xd - kd * LN2_128_1) - kd * LN2_128_2;  // k < 2^15: first product exact
    double r2 = r * r;
    double p = 1.0 + (r + r2 * ((EXP_E[0] + r * EXP_E[1]) + r2 * EXP_E[2]));
    return from_bits(bits(EXP2_128[k & 127]) + (uint64_t(int64_t(k >> 7)) << 52)) * p;
}

// Finite nonzero x and y: the magnitude of the angle. With n = min(|x|, |y|),
// d = max(|x|, |y|) and c = i/16 nearest to n/d, atan(n/d) = atan(c) + atan(t)
// with t = (n - c d) / (d + c n), |t| <= 1/32; numerator and denominator are
// exact in double, so t is rounded only once.
inline double atan2_magnitude(float y, float x) {
    uint32_t ux = fbits(x) & ABS_MASK;
    uint32_t uy = fbits(y) & ABS_MASK;
    bool swap = uy > ux;
    float fn = from_fbits(swap ? ux : uy);
    float fd = from_fbits(swap ? uy : ux);
    int i = int((fn / fd) * 16.0f + 0.5f);
    double c = i * 0.0625;
    double n = fn;
    double d = fd;
    double t = (n - c * d) / (d + c * n);
    double u = t * t;
    double a = (ATAN_A[0] + u * ATAN_A[1]) + (u * u) * (ATAN_A[2] + u * ATAN_A[3]);
    double s = t + (t * u) * a;
    int kind = int(fbits(x) >> 31) * 2 + int(swap);  // 0 and 3 add atan(t), 1 and 2 subtract
    const double* base = &ATAN_BASE[(kind * 17 + i) * 2];
    double signed_s = (kind == 0 || kind == 3) ? s : -s;
    return base[0] + (base[1] + signed_s);
}

inline float with_sign_of(float magnitude, float sign_source) {
    return from_fbits(fbits(magnitude) | (fbits(sign_source) & ~ABS_MASK));
}

// Correctly rounded float constants.
constexpr uint32_t PI_F = 0x40490fdbu;
constexpr uint32_t PIO2_F = 0x3fc90fdbu;
constexpr uint32_t PIO4_F = 0x3f490fdbu;
constexpr uint32_t THREE_PIO4_F = 0x4016cbe4u;

// atan2 when x or y is zero, infinite or NaN.
[[gnu::noinline]] float atan2_special(float y, float x) {
    if (x != x || y != y) return nan_result();
    uint32_t ux = fbits(x) & ABS_MASK;
    uint32_t uy = fbits(y) & ABS_MASK;
    bool x_negative = (fbits(x) >> 31) != 0;
    uint32_t angle;
    if (uy == 0)
        angle = x_negative ? PI_F : 0;
    else if (ux == 0)
        angle = PIO2_F;
    else if (uy == INF_BITS)
        angle = ux == INF_BITS ? (x_negative ? THREE_PIO4_F : PIO4_F) : PIO2_F;
    else
        angle = x_negative ? PI_F : 0;
    return with_sign_of(from_fbits(angle), y);
}

// Float bits of 87: e^x is a normal float for |x| < 87.
constexpr uint32_t EXP_NORMAL_LIMIT = 0x42ae0000u;

// e^x for |x| >= 87 and NaN: overflow, subnormal results, underflow.
[[gnu::noinline]] float exp_edge(float x) {
    if (x != x) return nan_result();
    if (x >= 89.0f) return from_fbits(INF_BITS);  // e^89 > FLT_MAX
    if (x <= -104.0f) return 0.0f;                // e^-104 < 2^-150
    double y = exp_value(x);
    return safe(y) ? static_cast<float>(y) : fmath_internal::exp_careful(x);
}

// The results of sin and cos are normal floats for every |x| >= 2^-12: no
// float lies within 2^-30 of a multiple of pi/2 (the long check measures
// this over every float).
[[gnu::noinline]] float sin_large(float x) {
    if ((fbits(x) & ABS_MASK) >= INF_BITS) return nan_result();
    Reduced a = reduce_large(x);
    double y = sin_in_quadrant(a.r, a.q);
    return safe_normal(y) ? static_cast<float>(y) : fmath_internal::sin_careful(x);
}

[[gnu::noinline]] float cos_large(float x) {
    if ((fbits(x) & ABS_MASK) >= INF_BITS) return nan_result();
    Reduced a = reduce_large(x);
    double y = sin_in_quadrant(a.r, a.q + 1);
    return safe_normal(y) ? static_cast<float>(y) : fmath_internal::cos_careful(x);
}

}  // namespace

float fsin(float x) {
    uint32_t ax = fbits(x) & ABS_MASK;
    if (ax >= TWO_POW_20) return sin_large(x);
    if (ax < TWO_POW_M12) return x;  // sin x = x - x^3/6 + ... rounds to x
    Reduced a = reduce_small(x);
    double y = sin_in_quadrant(a.r, a.q);
    return safe_normal(y) ? static_cast<float>(y) : fmath_internal::sin_careful(x);
}

float fcos(float x) {
    if ((fbits(x) & ABS_MASK) >= TWO_POW_20) return cos_large(x);
    Reduced a = reduce_small(x);
    double y = sin_in_quadrant(a.r, a.q + 1);
    return safe_normal(y) ? static_cast<float>(y) : fmath_internal::cos_careful(x);
}

void fsincos(float a, float& s, float& c) {
    uint32_t ax = fbits(a) & ABS_MASK;
    Reduced red;
    if (ax < TWO_POW_20) {
        red = reduce_small(a);
    } else {
        if (ax >= INF_BITS) {
            s = c = nan_result();
            return;
        }
        red = reduce_large(a);
    }
    // sin r and cos r once, placed in their quadrants by the same exact
    // factors: the results are bit for bit those of fsin and fcos.
    double r = red.r;
    double z = r * r;
    double z2 = z * z;
    double sin_r = r + (r * z) * poly6(SIN_S, z, z2);
    double cos_r = (1.0 - 0.5 * z) + z2 * poly6(COS_C, z, z2);
    const QuadrantFactors& fs = QUADRANT[red.q & 3];
    const QuadrantFactors& fc = QUADRANT[(red.q + 1) & 3];
    double ys = sin_r * fs.r_factor + cos_r * fs.w_factor;
    double yc = sin_r * fc.r_factor + cos_r * fc.w_factor;
    if (ax < TWO_POW_M12)
        s = a;
    else
        s = safe_normal(ys) ? static_cast<float>(ys) : fmath_internal::sin_careful(a);
    c = safe_normal(yc) ? static_cast<float>(yc) : fmath_internal::cos_careful(a);
}

float fexp(float x) {
    if ((fbits(x) & ABS_MASK) >= EXP_NORMAL_LIMIT) return exp_edge(x);
    double y = exp_value(x);
    return safe_normal(y) ? static_cast<float>(y) : fmath_internal::exp_careful(x);
}

float fatan2(float y, float x) {
    uint32_t ux = fbits(x) & ABS_MASK;
    uint32_t uy = fbits(y) & ABS_MASK;
    if (ux - 1 >= INF_BITS - 1 || uy - 1 >= INF_BITS - 1) return atan2_special(y, x);
    double m = atan2_magnitude(y, x);
    if (!safe(m)) return fmath_internal::atan2_careful(y, x);
    return with_sign_of(static_cast<float>(m), y);
}

namespace fmath_internal {

double sin_fast(float x) { return sin_value(x); }
double cos_fast(float x) { return cos_value(x); }
double exp_fast(float x) { return exp_value(x); }
double atan2_fast_magnitude(float y, float x) { return atan2_magnitude(y, x); }
bool rounds_safely(double y) { return safe(y); }

}  // namespace fmath_internal

// Reduction of a float angle by multiples of pi/2 that stays exact for the
// whole float range: a float is an integer times a power of two, so only a
// window of about 160 bits of 2/pi matters for its product modulo 4, which is
// taken in integer arithmetic.
#include "world/fmath_dd.h"
#include "world/fmath_tables.h"

namespace fmath_dd {

namespace {

constexpr int WINDOW_WORDS = 5;  // 160 bits of 2/pi

// 160 bits of 2/pi starting at bit j0 (bit 1 is the first after the point;
// bits at j0 <= 0 are zero), most significant word first.
void two_over_pi_window(int j0, uint32_t (&w)[WINDOW_WORDS]) {
    int b0 = j0 + 31;  // word 0 of the table holds bits -31..0
    int wi = b0 >> 5;
    int sh = b0 & 31;
    const uint32_t* t = fmath_tables::TWO_OVER_PI;
    for (int i = 0; i < WINDOW_WORDS; ++i)
        w[i] = sh ? (t[wi + i] << sh) | (t[wi + i + 1] >> (32 - sh)) : t[wi + i];
}

}  // namespace

QuarterTurns reduce_quarter_turns(float x) {
    uint32_t ux = fbits(x);
    uint32_t biased = (ux >> 23) & 0xff;
    uint64_t m = (ux & 0x7fffff) | (biased ? 0x800000u : 0u);
    int e = int(biased ? biased : 1) - 150;  // |x| = m * 2^e, e >= -30 for |x| >= 2^-7

    // |x| * 2/pi = m * W * 2^-158 modulo 4, where W holds the bits j0..j0+159
    // and j0 = e - 1: earlier bits only add multiples of 4.
    uint32_t w[WINDOW_WORDS];
    two_over_pi_window(e - 1, w);
    uint32_t p[WINDOW_WORDS + 1];  // m * W, least significant word first
    uint64_t carry = 0;
    for (int i = 0; i < WINDOW_WORDS; ++i) {
        uint64_t acc = m * w[WINDOW_WORDS - 1 - i] + carry;
        p[i] = uint32_t(acc);
        carry = acc >> 32;
    }
    p[WINDOW_WORDS] = uint32_t(carry);

    // Quadrant: bits 158 and 159. Fraction: bits 0..157, moved to the top of
    // 160 bits held as f2 (bits 96..159), f1 (32..95), f0 (0..31).
    int q = int(p[4] >> 30);
    uint64_t hi43 = (uint64_t(p[4]) << 32) | p[3];
    uint64_t mid21 = (uint64_t(p[2]) << 32) | p[1];
    uint64_t f2 = (hi43 << 2) | (p[2] >> 30);
    uint64_t f1 = (mid21 << 2) | (p[0] >> 30);
    uint64_t f0 = uint64_t(p[0] << 2);
    bool negative = (f2 >> 63) != 0;
    if (negative) {  // round to the nearest quadrant: fraction - 1
        q += 1;
        f0 = (~f0 & 0xffffffffu) + 1;
        f1 = ~f1;
        f2 = ~f2;
        if (f0 >> 32) {
            f0 &= 0xffffffffu;
            if (++f1 == 0) ++f2;
        }
    }

    // Normalise the 192 bits f2:f1:(f0 << 32) and take the top 128 as A:B.
    uint64_t g0 = f0 << 32;
    int shift = 0;
    for (int i = 0; i < 2 && f2 == 0; ++i) {
        f2 = f1;
        f1 = g0;
        g0 = 0;
        shift += 64;
    }
    QuarterTurns out{0.0, 0.0, 0};
    if (f2 != 0) {
        int n = std::countl_zero(f2);
        uint64_t a = n ? (f2 << n) | (f1 >> (64 - n)) : f2;
        uint64_t b = n ? (f1 << n) | (g0 >> (64 - n)) : f1;
        int s = n + shift;  // fraction = (a + b 2^-64) 2^(-64 - s)
        out.hi = double(a >> 11) * pow2(-53 - s);
        out.lo = double(((a & 0x7ff) << 53) | (b >> 11)) * pow2(-128 - s);
        if (negative) {
            out.hi = -out.hi;
            out.lo = -out.lo;
        }
    }
    if (ux >> 31) {
        out.hi = -out.hi;
        out.lo = -out.lo;
        q = -q;
    }
    out.q = q & 3;
    return out;
}

}  // namespace fmath_dd

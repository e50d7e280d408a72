#include "audio/soft_tanh.h"

#include <cmath>

#include "world/fmath.h"

namespace {

// Beyond this tanh rounds to 1 in float32 (1 - tanh(9.1) < 2^-25).
constexpr float SATURATED = 9.1f;
// Below this the exponential form would cancel; there a convergent of
// Lambert's continued fraction tanh x = x / (1 + x^2 / (3 + x^2 / (5 + ...))),
// written as one ratio of polynomials, is exact to double precision.
constexpr float SMALL = 0.55f;

double small_tanh(double x) {
    const double x2 = x * x;
    const double p = ((x2 + 378.0) * x2 + 17325.0) * x2 + 135135.0;
    const double q = ((28.0 * x2 + 3150.0) * x2 + 62370.0) * x2 + 135135.0;
    return x * p / q;
}

}  // namespace

float ftanh(float x) {
    if (std::isnan(x)) return x;
    const float a = std::fabs(x);
    if (a >= SATURATED) return std::copysign(1.0f, x);
    double r;
    if (a < SMALL) {
        r = small_tanh(a);
    } else {
        // 1 - 2 / (e^(2a) + 1): no cancellation, the result is at least 0.5.
        const double e = fexp(2.0f * a);
        r = 1.0 - 2.0 / (e + 1.0);
    }
    return std::copysign(static_cast<float>(r), x);
}

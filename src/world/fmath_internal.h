#pragma once
// The two evaluations behind the functions of fmath.h, for the accuracy checks.
// Nothing in the simulation calls these directly.

namespace fmath_internal {

// Fast double-precision values before rounding to float, with a relative error
// below 2^-49. Domains: sin and cos any finite x; exp -104 < x < 89;
// atan2 finite nonzero x and y (returns the magnitude of the angle).
double sin_fast(float x);
double cos_fast(float x);
double exp_fast(float x);
double atan2_fast_magnitude(float y, float x);

// True when every value within the fast evaluation's error bound of y rounds
// to the same float, so (float)y is the correctly rounded result.
bool rounds_safely(double y);

// Careful double-double evaluations (relative error about 2^-100), correctly
// rounded to float. Same domains as above; atan2 returns the signed angle.
float sin_careful(float x);
float cos_careful(float x);
float exp_careful(float x);
float atan2_careful(float y, float x);

}  // namespace fmath_internal

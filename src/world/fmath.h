#pragma once
// The simulation's own sine, cosine, arctangent and exponential in float32.
//
// C libraries compute these functions differently in their last bits from one
// platform, compiler or version to the next, while client prediction and the
// server must compute the same world bit for bit. These functions therefore use
// only operations that IEEE 754 defines exactly (+ - * / on doubles,
// comparisons, integer and bit operations; no fused multiply-add, no library
// calls) and return the correctly rounded float32 result for every input, the
// same bits everywhere. A fast double-precision evaluation with a known error
// bound gives the result; in the rare case (about 1 input in 4 million) that it
// lies too close to a rounding boundary to decide, a careful double-double
// evaluation decides instead.
//
// Special values follow IEEE 754 / C99: NaN in gives NaN (always the quiet NaN
// with bits 0x7fc00000, whatever the input's payload); sin and cos of an
// infinity are NaN; exp(+inf) = +inf, exp(-inf) = +0, exp overflows to +inf and
// underflows through the subnormals to +0; atan2 of signed zeros and infinities
// gives the C99 angles (atan2(+-0, -0) = +-pi, atan2(+-inf, -inf) = +-3pi/4, ...).

float fsin(float x);
float fcos(float x);
// One evaluation giving both; bit-identical to fsin(a) and fcos(a).
void fsincos(float a, float& s, float& c);
// Angle of the point (x, y) in [-pi, pi].
float fatan2(float y, float x);
float fexp(float x);

#pragma once
// A hyperbolic tangent built only from the project's portable exponential
// and exactly rounded arithmetic, so the synthesised sounds come out the same
// on every compiler and C library.

// tanh(x) in float32, within one unit in the last place. Odd, keeps the sign
// of zero, ±1 for large |x|, NaN for NaN.
float ftanh(float x);

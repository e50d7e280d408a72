#include "render/fire_ramp.h"

Color fire_ramp(float x) {
    constexpr Color c0 = {1, 0.95f, 0.6f, 1};
    constexpr Color c1 = {1, 0.5f, 0.08f, 1};
    constexpr Color c2 = {0.8f, 0.08f, 0.02f, 1};
    return x < 1 ? mix(c0, c1, x) : mix(c1, c2, x - 1);
}

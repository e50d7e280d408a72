#pragma once
// The colour of exhaust fire and hot wreckage.
#include "base/color.h"

// The fire ramp at x in [0, 2]: white-yellow to orange to deep red.
Color fire_ramp(float x);

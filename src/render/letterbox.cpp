#include "render/letterbox.h"

#include <cmath>

#include "client/layout.h"
#include "render/view.h"

namespace {
float clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

GlRect scissor_rect(float x, float y, float width, float height, float fb_width, float fb_height) {
    float ax = clamp(std::round(x), 0, fb_width);
    float ay = clamp(std::round(y), 0, fb_height);
    float bx = clamp(std::round(x + width), ax, fb_width);
    float by = clamp(std::round(y + height), ay, fb_height);
    return {static_cast<int>(ax), static_cast<int>(fb_height - by), static_cast<int>(bx - ax),
            static_cast<int>(by - ay)};
}

Letterbox compute_letterbox(float fb_width, float fb_height) {
    // The same box the interface lays its items out in, so clicks land on
    // what is drawn.
    const InterfaceBox fitted = interface_box(fb_width, fb_height, 1);
    Letterbox box;
    box.scale = fitted.scale;
    box.width = fitted.width;
    box.height = fitted.height;
    box.x = fitted.x;
    box.y = fitted.y;
    float rounded_height = std::round(box.height);
    box.viewport = {static_cast<int>(box.x), static_cast<int>(fb_height - box.y - rounded_height),
                    static_cast<int>(std::round(box.width)), static_cast<int>(rounded_height)};
    box.scissor = scissor_rect(box.x, box.y, box.width, box.height, fb_width, fb_height);
    return box;
}

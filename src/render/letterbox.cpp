#include "render/letterbox.h"

#include <cmath>

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
    Letterbox box;
    float sx = fb_width / VIEW_WIDTH;
    float sy = fb_height / VIEW_HEIGHT;
    box.scale = std::isnan(sx) ? sy : std::fmin(sx, sy);
    box.width = VIEW_WIDTH * box.scale;
    box.height = VIEW_HEIGHT * box.scale;
    box.x = std::floor((fb_width - box.width) / 2);
    box.y = std::floor((fb_height - box.height) / 2);
    float rounded_height = std::round(box.height);
    box.viewport = {static_cast<int>(box.x), static_cast<int>(fb_height - box.y - rounded_height),
                    static_cast<int>(std::round(box.width)), static_cast<int>(rounded_height)};
    box.scissor = scissor_rect(box.x, box.y, box.width, box.height, fb_width, fb_height);
    return box;
}

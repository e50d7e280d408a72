#pragma once
// Where the fixed 1536 x 864 view lands in a framebuffer of any shape: the
// largest centred box of that aspect, with black bars on the long sides.

// A rectangle in GL's convention: origin at the bottom-left, whole pixels.
struct GlRect {
    int x, y, width, height;
};

struct Letterbox {
    float scale;         // framebuffer pixels per world unit
    float x, y;          // box origin from the top-left, whole pixels
    float width, height; // box size in pixels (not rounded)
    GlRect viewport;
    GlRect scissor;
};

Letterbox compute_letterbox(float fb_width, float fb_height);

// A rectangle given from the top-left in pixels as a scissor box: edges
// rounded half away from zero, clamped to the framebuffer, flipped.
GlRect scissor_rect(float x, float y, float width, float height, float fb_width, float fb_height);

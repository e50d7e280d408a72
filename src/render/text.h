#pragma once
// Text from the embedded font. Glyphs are rasterised on demand into one
// 512 x 512 one-channel atlas and cached per (pixel size, glyph); every glyph
// of a frame becomes one instanced quad in framebuffer pixels, and all text
// of a frame is drawn by one flush at its end, over everything else.
//
// (The text state lives in the Renderer; its record and the pipeline are
// defined with the text pipeline.)
#include <string_view>

#include "base/color.h"

struct Renderer;

// Empties the frame's glyph list (the HUD drawing starts with this).
void begin_text_frame(Renderer& renderer);

// Appends the glyphs of a UTF-8 text: x is the pen's left edge at the first
// glyph, baseline_y the baseline, both in framebuffer pixels. Invalid UTF-8
// draws nothing at all. Glyphs past the frame's 2048 are dropped.
void draw_text(Renderer& renderer, std::string_view text, float pixel_size, float x, float baseline_y, Color color);

// The pen position after the last glyph: the text's advance width in pixels.
float measure_text(const Renderer& renderer, std::string_view text, float pixel_size);

// Draws every glyph of the frame in one call (the last drawing of a frame),
// uploading the atlas first when it changed.
void flush_text(Renderer& renderer, float fb_width, float fb_height);

#pragma once
// The renderer's text state: the embedded font, the glyph cache and atlas,
// and the frame's glyph list.
#include <cstdint>
#include <type_traits>

#include <stb_truetype.h>

#include "base/color.h"
#include "base/errors.h"
#include "render/text_atlas.h"

// One glyph quad, three vec4 attributes: the rectangle in framebuffer pixels
// (top-left origin), its rectangle in atlas pixels, and the colour.
struct GlyphInstance {
    float rect[4];
    float uv_rect[4];
    Color color;
};
static_assert(sizeof(GlyphInstance) == 48);
static_assert(std::is_trivially_copyable_v<GlyphInstance>);

constexpr uint32_t GLYPH_CAPACITY = 2048;

struct GlyphList {
    GlyphInstance items[GLYPH_CAPACITY];
    uint32_t count = 0;
};

struct TextState {
    stbtt_fontinfo font{};
    GlyphCache cache;
    GlyphAtlas atlas;
    GlyphList glyphs;
};

// Reads the embedded font (BadFont when it is unusable) and allocates the
// cache and the zeroed atlas (OutOfMemory).
StartupError create_text_state(TextState& text);
// The same from other TrueType bytes, which must outlive the state.
StartupError create_text_state(TextState& text, const unsigned char* font_bytes);
// Frees the cache and the atlas pixels.
void destroy_text_state(TextState& text);

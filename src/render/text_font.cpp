// The one place that compiles stb_truetype, and the font's start-up.
#define STB_TRUETYPE_IMPLEMENTATION
#include "render/text_state.h"

extern const unsigned char embedded_font[];
extern const unsigned long embedded_font_size;

StartupError create_text_state(TextState& text) { return create_text_state(text, embedded_font); }

StartupError create_text_state(TextState& text, const unsigned char* font_bytes) {
    text.glyphs.count = 0;
    if (!stbtt_InitFont(&text.font, font_bytes, 0)) return StartupError::BadFont;
    if (!allocate_glyph_store(text.cache, text.atlas)) return StartupError::OutOfMemory;
    return StartupError::None;
}

void destroy_text_state(TextState& text) { free_glyph_store(text.cache, text.atlas); }

#pragma once
// The glyph atlas and its cache: one 512 x 512 coverage byte per pixel,
// filled shelf by shelf, and a fixed-capacity map from (pixel size, glyph) to
// where each rasterised glyph lies. Both are allocated once at start-up;
// when either fills up, both start over empty.
#include <bit>
#include <cstdint>

constexpr uint32_t ATLAS_SIDE = 512;
constexpr uint32_t ATLAS_BYTES = ATLAS_SIDE * ATLAS_SIDE;
// Shelves end one pixel short of the atlas's width.
constexpr uint32_t SHELF_LIMIT = ATLAS_SIDE - 1;

// A glyph at one pixel size: the offset of its bitmap box from the pen on the
// baseline, and its atlas rectangle (all zero for a glyph with no pixels).
struct GlyphEntry {
    float x0, y0;
    uint16_t x, y, width, height;
};
static_assert(sizeof(GlyphEntry) == 16);

// Open addressing with linear probing. A key is never ~0 (glyph indices fit
// in 16 bits), so ~0 marks a free slot.
constexpr uint32_t GLYPH_CACHE_SLOTS = 4096;  // a power of two
constexpr uint32_t GLYPH_CACHE_LIMIT = GLYPH_CACHE_SLOTS / 4 * 3;
constexpr uint64_t FREE_SLOT = ~uint64_t{0};

struct GlyphCache {
    uint64_t* keys = nullptr;  // GLYPH_CACHE_SLOTS
    GlyphEntry* entries = nullptr;
    uint32_t count = 0;
};

struct GlyphAtlas {
    uint8_t* pixels = nullptr;  // ATLAS_BYTES, row-major
    uint32_t cursor_x = 0;
    uint32_t shelf_y = 0;
    uint32_t tallest = 0;  // of the current shelf
};

inline uint64_t glyph_key(float pixel_size, int glyph) {
    return (uint64_t{std::bit_cast<uint32_t>(pixel_size)} << 32) | static_cast<uint32_t>(glyph);
}

// Allocates the cache and the zeroed atlas; false when memory is short (what
// was allocated is freed again).
bool allocate_glyph_store(GlyphCache& cache, GlyphAtlas& atlas);
void free_glyph_store(GlyphCache& cache, GlyphAtlas& atlas);

// The entry of `key`, or null.
const GlyphEntry* find_glyph(const GlyphCache& cache, uint64_t key);
// Inserts a new key; the caller has checked that the cache is below its limit
// and that the key is absent.
void insert_glyph(GlyphCache& cache, uint64_t key, const GlyphEntry& entry);
inline bool glyph_cache_full(const GlyphCache& cache) { return cache.count >= GLYPH_CACHE_LIMIT; }

// Finds a place for a w x h glyph (w, h >= 1). Opens a new shelf when the
// current one has no room; false when the atlas has none left.
bool place_glyph(GlyphAtlas& atlas, uint32_t w, uint32_t h, uint32_t& x, uint32_t& y);

// Forgets every glyph: empty cache, zero pixels, packer at the top-left.
void clear_glyphs(GlyphCache& cache, GlyphAtlas& atlas);

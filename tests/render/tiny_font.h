#pragma once
// A tiny TrueType font made in memory, with numbers chosen to be exact in
// float: the embedded font's kerning lies where stb_truetype does not read
// it, so kerning is checked with this one.
//
// 1024 units from descender to ascender (-200 .. 824), so a 32-pixel size
// has the scale 1/32. Glyphs: 1 space (256 wide, no outline), 2 'A' (640
// wide, box x 64..576, y 0..704), 3 'V' (576 wide, box x 32..544, y 0..704).
// Kerning pairs: A V -96, V space -32, space A -48.
#include <cstdint>
#include <vector>

std::vector<uint8_t> make_tiny_font();

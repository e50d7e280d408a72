#pragma once
// Texts cut to fit a width, always between whole characters: the start of a
// long name followed by "...", the end of a line being typed after its
// prefix, and the point where a line wraps.
#include <cstddef>
#include <string_view>

struct Renderer;

constexpr std::string_view ELLIPSIS = "...";

// How many bytes of `text` go before "..." so that both fit in max_width at
// pixel size px; text.size() when the whole text fits without one.
size_t fitting_start(const Renderer& r, std::string_view text, float px, float max_width);

// Where the shown end of `text` starts so that head + "..." + the end + tail
// fits in max_width; 0 when head + text + tail fits whole (no "...").
size_t fitting_end(const Renderer& r, std::string_view head, std::string_view text, std::string_view tail, float px,
                   float max_width);

// The length of the first line of `text` in max_width: the whole text when it
// fits, else up to the last space that fits (the space itself ends the line),
// else as many characters as fit, and at least one.
size_t wrap_point(const Renderer& r, std::string_view text, float px, float max_width);

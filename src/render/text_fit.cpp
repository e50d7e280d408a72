#include "render/text_fit.h"

#include <cstdint>

#include "base/fixed_text.h"
#include "render/text.h"

namespace {

// Every text cut here is a server name (up to 264 bytes), a typed line or a
// notification, with a few bytes around it; a longer one is cut to this.
constexpr size_t MAX_FIT_TEXT = 400;
using Composed = FixedText<512>;

// The character boundaries of a text, 0 and its end included.
struct Boundaries {
    uint16_t at[MAX_FIT_TEXT + 1];
    int count = 0;
};

Boundaries boundaries_of(std::string_view text) {
    Boundaries b;
    for (size_t i = 0; i <= text.size() && i <= MAX_FIT_TEXT; ++i) {
        if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            b.at[b.count++] = static_cast<uint16_t>(i);
        }
    }
    return b;
}

// The last index i in [lo, hi] with fits(b.at[i]), given fits(b.at[lo]); fits
// holds up to some index and not after it.
template <typename Fits>
int last_fitting(const Boundaries& b, int lo, int hi, Fits&& fits) {
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (fits(b.at[mid])) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

float width_of(const Renderer& r, const Composed& text, float px) { return measure_text(r, text.view(), px); }

}  // namespace

size_t fitting_start(const Renderer& r, std::string_view text, float px, float max_width) {
    if (measure_text(r, text, px) <= max_width) return text.size();
    const Boundaries b = boundaries_of(text);
    const int i = last_fitting(b, 0, b.count - 1, [&](size_t k) {
        Composed c;
        c << text.substr(0, k) << ELLIPSIS;
        return width_of(r, c, px) <= max_width;
    });
    return b.at[i];
}

size_t fitting_end(const Renderer& r, std::string_view head, std::string_view text, std::string_view tail, float px,
                   float max_width) {
    Composed whole;
    whole << head << text << tail;
    if (width_of(r, whole, px) <= max_width) return 0;
    // Searched backwards: the boundaries from the end, the more of the text
    // is left out the better it fits.
    Boundaries b = boundaries_of(text);
    Boundaries reversed;
    for (int i = b.count - 1; i >= 0; --i) reversed.at[reversed.count++] = b.at[i];
    const int i = last_fitting(reversed, 0, reversed.count - 1, [&](size_t start) {
        Composed c;
        c << head << ELLIPSIS << text.substr(start) << tail;
        return width_of(r, c, px) <= max_width;
    });
    return reversed.at[i];
}

size_t wrap_point(const Renderer& r, std::string_view text, float px, float max_width) {
    if (measure_text(r, text, px) <= max_width) return text.size();
    const Boundaries b = boundaries_of(text);
    if (b.count < 3) return text.size();  // a single character: nothing to wrap
    const int i = last_fitting(b, 1, b.count - 1, [&](size_t k) { return measure_text(r, text.substr(0, k), px) <= max_width; });
    const size_t fitting = b.at[i];
    // Back to the last space that still fits, when there is one.
    for (size_t k = fitting; k > 0; --k) {
        if (text[k - 1] == ' ') return k;
    }
    return fitting;
}

// Text validity and cutting against a plain code-point decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/wire.h"

namespace {

// Decodes code points the long way and applies the rules of a chat text:
// shortest form only, no surrogates, nothing above U+10FFFF, no control
// characters, not empty and not only spaces.
bool reference_valid(const uint8_t* s, size_t n) {
    if (n == 0) return false;
    bool non_space = false;
    size_t i = 0;
    while (i < n) {
        const uint8_t b = s[i];
        size_t len;
        uint32_t cp;
        uint32_t min;
        if (b < 0x80) {
            len = 1, cp = b, min = 0;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2, cp = b & 0x1Fu, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, cp = b & 0x0Fu, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, cp = b & 0x07u, min = 0x10000;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3Fu);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp < 0x20 || cp == 0x7F) return false;
        if (cp != 0x20) non_space = true;
        i += len;
    }
    return non_space;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool valid = is_valid_text(text);
    if (valid != reference_valid(data, size)) std::abort();

    const size_t cut = cut_text(text);
    if (cut > MAX_TEXT || cut > size) std::abort();
    if (size <= MAX_TEXT && cut != size) std::abort();
    // A cut never splits a character: what is left of a valid text is still
    // well formed (it may be all spaces).
    if (valid && size > MAX_TEXT && cut < size && (data[cut] & 0xC0) == 0x80) std::abort();

    // As a text field: the length byte first, then the bytes.
    WireReader r = make_reader(data, size);
    const std::string_view field = read_text(r);
    if (r.error == WireError::None) {
        if (size == 0 || field.size() != data[0] || field.size() > MAX_TEXT || r.pos != 1 + field.size()) std::abort();
        if (!reference_valid(data + 1, field.size())) std::abort();
    } else if (r.pos > size) {
        std::abort();
    }
    return 0;
}

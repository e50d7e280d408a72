#include "base/text_rule.h"

namespace {

constexpr char HEX[] = "0123456789abcdef";

void append_byte_escape(LogText& line, uint8_t b) {
    const char e[4] = {'\\', 'x', HEX[b >> 4], HEX[b & 15]};
    line << std::string_view(e, 4);
}

void append_code_escape(LogText& line, uint32_t c) {
    const char e[6] = {'\\', 'u', HEX[(c >> 12) & 15], HEX[(c >> 8) & 15], HEX[(c >> 4) & 15], HEX[c & 15]};
    line << std::string_view(e, 6);
}

}  // namespace

bool is_refused_code_point(uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029;
}

size_t decode_utf8(std::string_view s, uint32_t& code) {
    if (s.empty()) return 0;
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    const uint8_t b0 = byte(0);
    size_t length = 0;
    uint32_t minimum = 0;
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) length = 2, code = b0 & 0x1Fu, minimum = 0x80;
    else if (b0 >= 0xE0 && b0 <= 0xEF) length = 3, code = b0 & 0x0Fu, minimum = 0x800;
    else if (b0 >= 0xF0 && b0 <= 0xF4) length = 4, code = b0 & 0x07u, minimum = 0x10000;
    else return 0;
    if (s.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool is_acceptable_text(std::string_view text) {
    while (!text.empty()) {
        uint32_t code = 0;
        const size_t length = decode_utf8(text, code);
        if (length == 0 || is_refused_code_point(code)) return false;
        text.remove_prefix(length);
    }
    return true;
}

void append_escaped_text(LogText& line, std::string_view text) {
    while (!text.empty()) {
        uint32_t code = 0;
        const size_t length = decode_utf8(text, code);
        if (length == 0) {
            append_byte_escape(line, static_cast<uint8_t>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (code < 0x80 && is_refused_code_point(code)) append_byte_escape(line, static_cast<uint8_t>(code));
        else if (is_refused_code_point(code)) append_code_escape(line, code);
        else if (code == '\\') line << "\\\\";
        else line << text.substr(0, length);
        text.remove_prefix(length);
    }
}

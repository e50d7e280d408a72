#include "base/key_values.h"

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

bool next_line(std::string_view& rest, int& line, std::string_view& out) {
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view raw = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        ++line;
        const std::string_view text = trimmed(raw);
        if (text.empty() || text.front() == '#') continue;
        out = text;
        return true;
    }
    return false;
}

bool next_key_value(std::string_view& rest, int& line, KeyValue& out, const char*& error) {
    std::string_view text;
    error = nullptr;
    if (!next_line(rest, line, text)) return false;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        error = "a line without '='";
        return false;
    }
    out = {trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1)), line};
    if (out.key.empty()) {
        error = "a line without a name before '='";
        return false;
    }
    return true;
}

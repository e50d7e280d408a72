#include "net/status_reply.h"

#include <cstdio>
#include <cstring>

#include "base/text_rule.h"
#include "net/wire.h"

namespace {

bool is_separator(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// Cuts the next word off the front of `rest`; empty when none is left.
std::string_view next_word(std::string_view& rest) {
    size_t start = 0;
    while (start < rest.size() && is_separator(rest[start])) ++start;
    size_t end = start;
    while (end < rest.size() && !is_separator(rest[end])) ++end;
    std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The last value given for each known key, checked once all words are read.
struct ReplyValues {
    bool has_version = false, has_players = false, has_bots = false, has_max = false, has_uptime = false,
         has_compatible = false;
    std::string_view version, players, bots, max, uptime, compatible, name;
};

void remember(ReplyValues& v, std::string_view key, std::string_view value) {
    if (key == "version") v.has_version = true, v.version = value;
    else if (key == "players") v.has_players = true, v.players = value;
    else if (key == "bots") v.has_bots = true, v.bots = value;
    else if (key == "max") v.has_max = true, v.max = value;
    else if (key == "uptime") v.has_uptime = true, v.uptime = value;
    else if (key == "compatible") v.has_compatible = true, v.compatible = value;
    else if (key == "name") v.name = value;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Undoes the %XX escapes of a name word. Leaves `out` empty when the word
// does not decode to a valid server name.
void decode_name(std::string_view word, StatusReply& out) {
    char name[MAX_SERVER_NAME];
    size_t length = 0;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c == '%') {
            if (i + 2 >= word.size()) return;  // an escape cut short
            const int high = hex_value(word[i + 1]);
            const int low = hex_value(word[i + 2]);
            if (high < 0 || low < 0) return;
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (length == MAX_SERVER_NAME) return;
        name[length++] = c;
    }
    if (!is_valid_server_name({name, length})) return;
    std::memcpy(out.name, name, length);
    out.name_length = static_cast<uint8_t>(length);
}

bool needs_escape(char c) {
    const auto byte = static_cast<uint8_t>(c);
    return byte <= 0x20 || byte >= 0x7F || c == '%';
}

bool parse_byte(bool present, std::string_view text, uint8_t& out) {
    if (!present) return true;
    uint64_t value = 0;
    if (!parse_status_decimal(text, 255, value)) return false;
    out = static_cast<uint8_t>(value);
    return true;
}

}  // namespace

bool parse_status_decimal(std::string_view text, uint64_t max, uint64_t& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !is_digit(text.front()) || !is_digit(text.back())) return false;
    uint64_t result = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            if (!is_digit(text[i + 1])) return false;  // never last, so i + 1 exists
            continue;
        }
        if (!is_digit(c)) return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (digit > max || result > (max - digit) / 10) return false;  // result * 10 + digit > max
        result = result * 10 + digit;
    }
    if (negative && result != 0) return false;
    value = result;
    return true;
}

bool parse_status_reply(std::string_view bytes, StatusReply& out) {
    std::string_view rest = bytes;
    if (next_word(rest) != "skorvia" || next_word(rest) != "status") return false;
    ReplyValues values;
    for (std::string_view word = next_word(rest); !word.empty(); word = next_word(rest)) {
        const size_t equals = word.find('=');
        if (equals == std::string_view::npos) continue;
        remember(values, word.substr(0, equals), word.substr(equals + 1));
    }
    if (!values.has_version) return false;
    StatusReply reply;
    if (!parse_byte(true, values.version, reply.version) || !parse_byte(values.has_players, values.players, reply.players) ||
        !parse_byte(values.has_bots, values.bots, reply.bots) || !parse_byte(values.has_max, values.max, reply.max_players)) {
        return false;
    }
    if (values.has_uptime && !parse_status_decimal(values.uptime, UINT64_MAX, reply.uptime)) return false;
    reply.said_compatible = values.has_compatible;
    reply.compatible = values.has_compatible && values.compatible == "yes";
    decode_name(values.name, reply);
    out = reply;
    return true;
}

size_t build_status_request(char* out, size_t capacity, int version) {
    const int n = std::snprintf(out, capacity, "check %d\n", version);
    return n < 0 ? 0 : static_cast<size_t>(n) < capacity ? static_cast<size_t>(n) : capacity - 1;
}

bool parse_status_request(std::string_view line, bool& compatible, bool serves_20) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view rest = line;
    if (next_word(rest) != "check") return false;
    const std::string_view version = next_word(rest);
    if (version.empty()) return false;
    uint64_t value = 0;
    // A version this server cannot even read is a different one; it speaks
    // 21, and 20 when its host allows it.
    compatible = parse_status_decimal(version, 255, value) && is_known_version(static_cast<int>(value)) &&
                 (serves_20 || value != PROTOCOL_VERSION);
    return true;
}

bool is_valid_server_name(std::string_view name) {
    return name.size() <= MAX_SERVER_NAME && is_valid_text(name) && is_acceptable_text(name);
}

size_t build_status_reply(char* out, size_t capacity, unsigned players, unsigned bots, uint64_t uptime_seconds,
                          bool compatible, std::string_view name) {
    // " name=" and every byte escaped, on top of the rest of the line.
    char word[6 + 3 * MAX_SERVER_NAME + 1] = {};
    if (is_valid_server_name(name)) {
        static constexpr char HEX[] = "0123456789ABCDEF";
        size_t w = 0;
        for (char c : std::string_view(" name=")) word[w++] = c;
        for (char c : name) {
            if (!needs_escape(c)) {
                word[w++] = c;
                continue;
            }
            const auto byte = static_cast<uint8_t>(c);
            word[w++] = '%';
            word[w++] = HEX[byte >> 4];
            word[w++] = HEX[byte & 15];
        }
    }
    // The newest version it speaks: a client that speaks 21 too joins with it.
    const int n = std::snprintf(out, capacity,
                                "skorvia status version=%d players=%u bots=%u max=%u uptime=%llu compatible=%s%s\n",
                                PROTOCOL_VERSION_21, players, bots, static_cast<unsigned>(STATUS_MAX_PLAYERS),
                                static_cast<unsigned long long>(uptime_seconds), compatible ? "yes" : "no", word);
    return n < 0 ? 0 : static_cast<size_t>(n) < capacity ? static_cast<size_t>(n) : capacity - 1;
}

// The status exchange's text, both ways: the client's reply parser and the
// server's request parser. Besides the sanitizers' checks it insists that:
//   - the reply parser agrees with a plain second reading of the rules
//     (words, the known keys, the last of a repeated key, the decimals);
//   - a request line the server accepts starts with "check", and is called
//     compatible only for the versions it speaks, 20 and 21;
//   - every reply the server builds reads back as what it said, its name
//     included.
//
// Input layout: byte 0 and 1 choose the player count and part of the uptime
// of the reply the server builds; the rest is, at once, a reply the client
// received (its first 256 bytes) and what a status peer sent the server (up
// to the first line feed within 64 bytes).
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/status_reply.h"
#include "net/wire.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// ---- a second reading of the reply rules -------------------------------------

bool reference_decimal(std::string_view text, uint64_t max, uint64_t& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::string digits;
    char previous = '_';  // as if after the sign: a leading '_' is refused
    for (char c : text) {
        if (c == '_') {
            if (previous == '_') return false;
        } else if (c >= '0' && c <= '9') {
            digits += c;
        } else {
            return false;
        }
        previous = c;
    }
    if (digits.empty() || previous == '_') return false;
    const size_t start = digits.find_first_not_of('0');
    const std::string significant = start == std::string::npos ? "0" : digits.substr(start);
    if (significant.size() > 20) return false;
    uint64_t v = 0;
    const auto [end, error] = std::from_chars(significant.data(), significant.data() + significant.size(), v);
    if (error != std::errc() || end != significant.data() + significant.size() || v > max) return false;
    if (negative && v != 0) return false;
    value = v;
    return true;
}

// The words of a text, split at spaces, carriage returns and line feeds;
// false when there are more than `capacity`.
size_t split_words(std::string_view text, std::string* words, size_t capacity) {
    size_t count = 0;
    std::string word;
    for (char c : std::string(text) + ' ') {
        if (c == ' ' || c == '\r' || c == '\n') {
            if (!word.empty() && count < capacity) words[count++] = word;
            word.clear();
        } else {
            word += c;
        }
    }
    return count;
}

bool reference_reply(std::string_view bytes, StatusReply& out) {
    std::string words[STATUS_REPLY_MAX];
    const size_t count = split_words(bytes, words, STATUS_REPLY_MAX);
    if (count < 2 || words[0] != "skorvia" || words[1] != "status") return false;
    const std::string_view keys[] = {"version", "players", "max", "uptime", "compatible", "bots"};
    std::string values[6];
    bool given[6] = {};
    for (size_t i = 2; i < count; ++i) {
        const size_t equals = words[i].find('=');
        if (equals == std::string::npos) continue;
        for (int k = 0; k < 6; ++k) {
            if (words[i].substr(0, equals) == keys[k]) {
                given[k] = true;
                values[k] = words[i].substr(equals + 1);
            }
        }
    }
    if (!given[0]) return false;
    uint64_t v[6] = {};
    const uint64_t limits[6] = {255, 255, 255, UINT64_MAX, 0, 255};
    for (int k = 0; k < 6; ++k) {
        if (k != 4 && given[k] && !reference_decimal(values[k], limits[k], v[k])) return false;
    }
    out = StatusReply{};
    out.version = static_cast<uint8_t>(v[0]);
    out.players = static_cast<uint8_t>(v[1]);
    out.max_players = static_cast<uint8_t>(v[2]);
    out.uptime = v[3];
    out.bots = static_cast<uint8_t>(v[5]);
    out.said_compatible = given[4];
    out.compatible = given[4] && values[4] == "yes";
    return true;
}

bool same(const StatusReply& a, const StatusReply& b) {
    return a.version == b.version && a.players == b.players && a.max_players == b.max_players && a.uptime == b.uptime &&
           a.bots == b.bots && a.compatible == b.compatible && a.said_compatible == b.said_compatible;
}

// Bytes received fit the client's reply buffer only.
void check_reply(std::string_view bytes) {
    if (bytes.size() > STATUS_REPLY_MAX) bytes = bytes.substr(0, STATUS_REPLY_MAX);
    StatusReply parsed, expected;
    const bool ok = parse_status_reply(bytes, parsed);
    check(ok == reference_reply(bytes, expected));
    if (ok) check(same(parsed, expected));
}

// What the server does with a peer's bytes: the line before the first line
// feed, if one comes within its buffer.
void check_request(std::string_view bytes, unsigned players, unsigned bots, uint64_t uptime) {
    if (bytes.size() > STATUS_REQUEST_MAX) bytes = bytes.substr(0, STATUS_REQUEST_MAX);
    const size_t line_feed = bytes.find('\n');
    if (line_feed == std::string_view::npos) return;
    const std::string_view line = bytes.substr(0, line_feed);
    // Accepted exactly when the first word is "check" and a second follows;
    // compatible exactly when that one reads as this server's version.
    std::string words[STATUS_REQUEST_MAX];
    const size_t count = split_words(line, words, STATUS_REQUEST_MAX);
    bool compatible = true;
    const bool accepted = parse_status_request(line, compatible);
    check(accepted == (count >= 2 && words[0] == "check"));
    if (!accepted) return;
    uint64_t version = 0;
    check(compatible == (reference_decimal(words[1], 255, version) && is_known_version(static_cast<int>(version))));

    // The request line doubles as a server name: every name the server may
    // carry reads back as itself, whatever bytes it holds.
    std::string_view name = line.substr(0, line.size() < MAX_SERVER_NAME ? line.size() : MAX_SERVER_NAME);
    if (!is_valid_server_name(name)) name = {};
    char reply[STATUS_REPLY_MAX];
    const size_t length = build_status_reply(reply, sizeof reply, players, bots, uptime, compatible, name);
    check(length > 0 && length < sizeof reply && reply[length - 1] == '\n');
    StatusReply read;
    check(parse_status_reply(std::string_view(reply, length), read));
    check(read.version == PROTOCOL_VERSION_21 && read.players == players && read.bots == bots && read.max_players == STATUS_MAX_PLAYERS &&
          read.uptime == uptime && read.said_compatible && read.compatible == compatible);
    check(read.name_view() == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const unsigned players = data[0] % (STATUS_MAX_PLAYERS + 1);
    const uint64_t uptime = static_cast<uint64_t>(data[1]) * 0x0101010101010101ull;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    check_reply(text);
    check_request(text, players, STATUS_MAX_PLAYERS - players, uptime);
    return 0;
}

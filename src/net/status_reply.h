#pragma once
// The status exchange's text, shared by the server that answers and the
// client that asks. Over TCP, on the game's port:
//   request  "check 20\n" (or "check 21\n")
//   reply    "skorvia status version=21 players=1 bots=2 max=8 uptime=120 compatible=yes\n"
// The server states the newest protocol it speaks (21) and finds a client
// of protocol 20 or 21 compatible. `players` counts the people connected,
// `bots` the computer players.
// A reply is whitespace-separated words (spaces, carriage returns and line
// feeds; tabs are not separators): "skorvia", "status", then key=value words
// in any order. Words without '=' and unknown keys are skipped; when a key
// repeats, the last one counts.
#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr uint8_t STATUS_MAX_PLAYERS = 8;
// Longest reply the client reads; the server's own is far shorter.
constexpr size_t STATUS_REPLY_MAX = 256;
// Longest request line the server waits for before giving up on a peer.
constexpr size_t STATUS_REQUEST_MAX = 64;
// Longest server name, in bytes of UTF-8. A name is carried in the reply as
// the word name=..., with spaces, '%', controls and every byte outside
// printable ASCII written as %XX, so that it stays one word; a client that
// does not know the key skips it.
constexpr size_t MAX_SERVER_NAME = 32;

// What a reply says.
struct StatusReply {
    uint8_t version = 0;
    uint8_t players = 0;      // people; 0 when the reply does not say
    uint8_t max_players = 0;  // 0 when the reply does not say
    uint64_t uptime = 0;      // seconds; 0 when the reply does not say
    bool compatible = false;  // the server's own verdict, when it gave one
    bool said_compatible = false;
    uint8_t bots = 0;         // computer players; 0 when the reply does not say
    // The server's name; empty when it gave none or a name that does not
    // decode to valid text (a bad name is not worth refusing the reply for).
    char name[MAX_SERVER_NAME] = {};
    uint8_t name_length = 0;

    std::string_view name_view() const { return {name, name_length}; }
};

// A name a server may carry: valid text (net/wire.h) of at most
// MAX_SERVER_NAME bytes that the text rule accepts (base/text_rule.h: no C1
// or bidirectional controls, no line separators), so that a name shown in a
// list can neither reorder nor break its row.
bool is_valid_server_name(std::string_view name);

// A decimal value of at most `max`: an optional '+' ('-' only when every
// digit is 0), then digits with single '_' between them (never first, last
// or right after the sign). Nothing else.
bool parse_status_decimal(std::string_view text, uint64_t max, uint64_t& value);

// Parses every received byte of a reply. False when the first two words are
// not "skorvia status", when "version" is missing, or when a value of a known
// key is bad.
bool parse_status_reply(std::string_view bytes, StatusReply& out);

// The client's request line for `version`, into `out` (at least 16 bytes).
// Returns its length.
size_t build_status_request(char* out, size_t capacity, int version);

// Reads a request line (the bytes before its line feed, a trailing carriage
// return allowed): "check" and the client's protocol version. False for any
// other line. `compatible` is set when the server speaks that version: 21,
// or 20 when `serves_20`.
bool parse_status_request(std::string_view line, bool& compatible, bool serves_20 = true);

// The server's reply line, with its line feed, into `out` (at least
// STATUS_REPLY_MAX bytes), naming the server when `name` is a valid server
// name. Returns its length.
size_t build_status_reply(char* out, size_t capacity, unsigned players, unsigned bots, uint64_t uptime_seconds,
                          bool compatible, std::string_view name = {});

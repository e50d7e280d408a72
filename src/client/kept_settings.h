#pragma once
// The settings and the added servers as the game keeps them between runs:
// the text of settings.txt ("volume = 80", "resolution = 1280x720",
// "display = windowed", "bots = normal") and of servers.txt (one server text per line).
#include <cstddef>
#include <string_view>

#include "client/interface.h"
#include "client/server_list.h"

// What of the interface is kept, to tell when it changed.
struct KeptSettings {
    uint8_t volume = VOLUME_MAX;
    uint8_t resolution_index = 1;
    bool borderless_fullscreen = false;
    BotSkill bot_skill = BotSkill::Normal;

    bool operator==(const KeptSettings&) const = default;
};

KeptSettings kept_settings_of(const Interface& ui);
void apply_kept_settings(Interface& ui, const KeptSettings& kept);

// Parses a settings file. Names it does not know are skipped (a later
// version's); a known name with a bad value fails. Returns nullptr, or what
// is wrong, written into `error`.
const char* parse_settings(std::string_view text, KeptSettings& out, char* error, size_t capacity);
// The file's text; returns its length (the buffer holds at least 256 bytes).
size_t format_settings(const KeptSettings& kept, char* out, size_t capacity);

// The server texts of a servers file, in order, at most MAX_ADDED_SERVERS.
struct KeptServers {
    std::string_view texts[MAX_ADDED_SERVERS];
    int count = 0;
};
// Fails on a line that cannot be a server text (too long, control
// characters, not UTF-8) and on more lines than can be kept.
const char* parse_servers(std::string_view text, KeptServers& out, char* error, size_t capacity);
// The file's text for the list's added servers; returns its length.
size_t format_servers(const ServerList& list, char* out, size_t capacity);
// A buffer that any list's servers file fits in.
constexpr size_t KEPT_SERVERS_TEXT_MAX = 128 + MAX_ADDED_SERVERS * (MAX_SERVER_TEXT + 1);

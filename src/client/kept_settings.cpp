#include "client/kept_settings.h"

#include <cstdio>
#include <cstring>

#include "client/server_list.h"
#include "base/key_values.h"
#include "net/status_reply.h"
#include "net/wire.h"

namespace {

constexpr const char* DISPLAY_WORDS[2] = {"windowed", "borderless"};

bool parse_volume(std::string_view value, KeptSettings& s) {
    uint64_t volume = 0;
    if (!parse_status_decimal(value, VOLUME_MAX, volume) || volume % VOLUME_STEP != 0) return false;
    s.volume = static_cast<uint8_t>(volume);
    return true;
}

bool parse_resolution(std::string_view value, KeptSettings& s) {
    for (uint8_t i = 0; i < RESOLUTION_COUNT; ++i) {
        char text[24];
        std::snprintf(text, sizeof text, "%dx%d", RESOLUTIONS[i].width, RESOLUTIONS[i].height);
        if (value == text) {
            s.resolution_index = i;
            return true;
        }
    }
    return false;
}

bool parse_display(std::string_view value, KeptSettings& s) {
    if (value != DISPLAY_WORDS[0] && value != DISPLAY_WORDS[1]) return false;
    s.borderless_fullscreen = value == DISPLAY_WORDS[1];
    return true;
}

bool parse_bots(std::string_view value, KeptSettings& s) { return parse_skill(value, s.bot_skill); }

void format_volume(const KeptSettings& s, char* out, size_t n) { std::snprintf(out, n, "%u", s.volume); }
void format_resolution(const KeptSettings& s, char* out, size_t n) {
    const Resolution& r = RESOLUTIONS[s.resolution_index < RESOLUTION_COUNT ? s.resolution_index : 1];
    std::snprintf(out, n, "%dx%d", r.width, r.height);
}
void format_display(const KeptSettings& s, char* out, size_t n) {
    std::snprintf(out, n, "%s", DISPLAY_WORDS[s.borderless_fullscreen ? 1 : 0]);
}
void format_bots(const KeptSettings& s, char* out, size_t n) { std::snprintf(out, n, "%s", skill_name(s.bot_skill)); }

// Every kept setting: its name in the file, how its value is read and written.
struct SettingRow {
    const char* name;
    bool (*parse)(std::string_view value, KeptSettings& s);
    void (*format)(const KeptSettings& s, char* out, size_t n);
    const char* values;  // what the file may say, for the message about a bad value
};

constexpr SettingRow SETTING_ROWS[] = {
    {"volume", parse_volume, format_volume, "0 to 100 in steps of 10"},
    {"resolution", parse_resolution, format_resolution, "960x540, 1280x720, 1600x900, 1920x1080 or 2560x1440"},
    {"display", parse_display, format_display, "windowed or borderless"},
    {"bots", parse_bots, format_bots, "easy, normal or hard"},
};

const char* fail(char* error, size_t capacity, int line, const char* what, std::string_view detail = "") {
    std::snprintf(error, capacity, "line %d: %s%.*s", line, what, static_cast<int>(detail.size() < 64 ? detail.size() : 64),
                  detail.data());
    return error;
}

}  // namespace

KeptSettings kept_settings_of(const Interface& ui) {
    return {ui.volume, ui.resolution_index, ui.borderless_fullscreen, ui.bot_skill};
}

void apply_kept_settings(Interface& ui, const KeptSettings& kept) {
    ui.volume = kept.volume;
    ui.resolution_index = kept.resolution_index;
    ui.borderless_fullscreen = kept.borderless_fullscreen;
    ui.bot_skill = kept.bot_skill;
    ui.display_settings_changed = true;
}

const char* parse_settings(std::string_view text, KeptSettings& out, char* error, size_t capacity) {
    KeptSettings parsed = out;
    int line = 0;
    KeyValue kv;
    const char* problem = nullptr;
    while (next_key_value(text, line, kv, problem)) {
        for (const SettingRow& row : SETTING_ROWS) {
            if (kv.key != row.name) continue;
            if (!row.parse(kv.value, parsed)) {
                char what[160];
                std::snprintf(what, sizeof what, "%s must be %s, not ", row.name, row.values);
                return fail(error, capacity, kv.line, what, kv.value);
            }
        }
    }
    if (problem) return fail(error, capacity, line, problem);
    out = parsed;
    return nullptr;
}

size_t format_settings(const KeptSettings& kept, char* out, size_t capacity) {
    size_t n = static_cast<size_t>(std::snprintf(out, capacity, "# skorvia's settings, written by the game\n"));
    for (const SettingRow& row : SETTING_ROWS) {
        char value[48];
        row.format(kept, value, sizeof value);
        if (n < capacity) n += static_cast<size_t>(std::snprintf(out + n, capacity - n, "%s = %s\n", row.name, value));
    }
    return n < capacity ? n : capacity - 1;
}

const char* parse_servers(std::string_view text, KeptServers& out, char* error, size_t capacity) {
    KeptServers parsed;
    int line = 0;
    std::string_view server;
    while (next_line(text, line, server)) {
        if (server.size() > MAX_SERVER_TEXT || !is_valid_text(server) || server.find(' ') != std::string_view::npos) {
            return fail(error, capacity, line, "not a server address");
        }
        if (parsed.count == MAX_ADDED_SERVERS) return fail(error, capacity, line, "more servers than the game keeps");
        parsed.texts[parsed.count++] = server;
    }
    out = parsed;
    return nullptr;
}

size_t format_servers(const ServerList& list, char* out, size_t capacity) {
    const char header[] = "# servers added in skorvia, one address a line\n";
    size_t n = sizeof header - 1 < capacity ? sizeof header - 1 : 0;
    std::memcpy(out, header, n);
    n += added_server_texts(list, out + n, capacity - n);
    return n < capacity ? n : capacity;
}

#include "app/kept.h"

#include "app/app.h"
#include "app/client_hooks.h"
#include "base/log.h"
#include "server/log_escape.h"

namespace {

constexpr const char* SETTINGS_FILE = "settings.txt";
constexpr const char* SERVERS_FILE = "servers.txt";

// The file's text, or nothing (after a warning when it exists but can't be read).
bool read_file(const KeptState& kept, const char* name, char* buffer, size_t capacity, size_t& size,
               const char* consequence) {
    const char* error = nullptr;
    switch (read_kept_file(kept.folder, name, buffer, capacity, size, error)) {
    case ReadOutcome::Read: return true;
    case ReadOutcome::Missing: return false;
    case ReadOutcome::Unreadable: break;
    }
    LogText message;
    message << "can't read " << kept.folder << '/' << name << ": " << error << "; " << consequence;
    log_line(LogLevel::Warning, message);
    return false;
}

void warn_malformed(const KeptState& kept, const char* name, const char* error, const char* consequence) {
    LogText message;
    // The error quotes the file, which anyone could have written: escaped for the terminal.
    message << "ignoring " << kept.folder << '/' << name << " (";
    append_player_text(message, error);
    message << "): " << consequence;
    log_line(LogLevel::Warning, message);
}

void write_file(const KeptState& kept, const char* name, const char* bytes, size_t size) {
    if (const char* error = write_kept_file(kept.folder, name, bytes, size)) {
        LogText message;
        message << "can't save " << kept.folder << '/' << name << ": " << error;
        log_line(LogLevel::Warning, message);
    }
}

void load_settings(App& app) {
    KeptState& kept = app.kept;
    static char text[MAX_KEPT_FILE];
    size_t size = 0;
    const char* consequence = "playing with the default settings";
    if (!read_file(kept, SETTINGS_FILE, text, sizeof text, size, consequence)) return;
    KeptSettings settings = kept_settings_of(app);
    char error[256];
    if (parse_settings({text, size}, settings, error, sizeof error)) {
        warn_malformed(kept, SETTINGS_FILE, error, consequence);
        return;
    }
    apply_kept_settings(app, settings);
    kept.saved_settings = settings;
}

void load_servers(App& app) {
    static char text[MAX_KEPT_FILE];
    size_t size = 0;
    const char* consequence = "no added servers are listed";
    if (!read_file(app.kept, SERVERS_FILE, text, sizeof text, size, consequence)) return;
    KeptServers servers;
    char error[256];
    if (parse_servers({text, size}, servers, error, sizeof error)) {
        warn_malformed(app.kept, SERVERS_FILE, error, consequence);
        return;
    }
    for (int i = 0; i < servers.count; ++i) add_kept_server(app.servers, servers.texts[i]);
}

}  // namespace

void load_kept(App& app) {
    KeptState& kept = app.kept;
    kept.saved_settings = kept_settings_of(app);
    if (!kept_folder(kept.folder, sizeof kept.folder)) {
        log_line(LogLevel::Warning, "neither XDG_CONFIG_HOME nor HOME names a folder: settings and added servers are not kept");
        return;
    }
    load_settings(app);
    load_servers(app);
}

void save_kept(App& app) {
    KeptState& kept = app.kept;
    const KeptSettings settings = kept_settings_of(app);
    const bool settings_changed = settings != kept.saved_settings;
    if (!settings_changed && !kept.servers_changed) return;
    // Tried once per change: a folder that can't be written is not retried every frame.
    kept.saved_settings = settings;
    const bool servers_changed = kept.servers_changed;
    kept.servers_changed = false;
    if (kept.folder[0] == '\0') return;
    if (settings_changed) {
        char text[512];
        write_file(kept, SETTINGS_FILE, text, format_settings(settings, text, sizeof text));
    }
    if (servers_changed) {
        static char text[KEPT_SERVERS_TEXT_MAX];
        write_file(kept, SERVERS_FILE, text, format_servers(app.servers, text, sizeof text));
    }
}

#include "dedicated/announcer.h"

#include <chrono>

#include "base/log.h"
#include "server/log_escape.h"

namespace {

void announce_once(Announcer& a, int i) {
    std::string answer;
    const char* failure = announce_server(a.urls[i], a.port, a.name, answer);
    LogText line;
    if (failure) {
        line << "can't register at " << a.texts[i] << ": " << failure;
        if (!answer.empty()) {
            line << " (";
            append_player_text(line, answer);
            line << ')';
        }
    } else {
        line << "registered at " << a.texts[i] << " (";
        append_player_text(line, answer);
        line << ')';
    }
    // The same news again is not news.
    if (a.last_said[i] == line.view()) return;
    a.last_said[i] = std::string(line.view());
    log_line(failure ? LogLevel::Warning : LogLevel::Info, line);
}

void run(Announcer& a) {
    std::unique_lock lock(a.mutex);
    while (!a.stopping) {
        lock.unlock();
        for (int i = 0; i < a.count; ++i) announce_once(a, i);
        lock.lock();
        a.wake.wait_for(lock, std::chrono::seconds(a.interval_seconds), [&] { return a.stopping; });
    }
}

}  // namespace

void start_announcer(Announcer& a, const ServerOptions& options, uint16_t port) {
    a.count = 0;
    for (int i = 0; i < options.registry_count; ++i) {
        // The options checked every address already.
        if (parse_registry_url(options.registries[i], a.urls[a.count]) == nullptr) a.texts[a.count++] = options.registries[i];
    }
    if (a.count == 0) return;
    a.port = port;
    a.name = options.name;
    a.interval_seconds = options.announce_seconds;
    a.stopping = false;
    a.thread = std::thread([&a] { run(a); });
}

void stop_announcer(Announcer& a) {
    if (!a.thread.joinable()) return;
    {
        std::lock_guard lock(a.mutex);
        a.stopping = true;
    }
    a.wake.notify_all();
    a.thread.join();
}

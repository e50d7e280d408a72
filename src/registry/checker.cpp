#include "registry/checker.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "net/wire.h"
#include "platform/sockets.h"

namespace {

static_assert(CHECK_QUEUE_CAPACITY <= MAX_SOCKET_WAITS, "one wait looks at every exchange under way");

// How often the thread looks at the queue while exchanges are under way.
constexpr int64_t QUEUE_LOOK_MS = 20;

struct Check {
    Endpoint endpoint;
    SocketHandle socket = NO_SOCKET;
    int64_t deadline_ms = 0;
    bool connected = false;
    uint8_t sent = 0;       // bytes of the request
    uint16_t received = 0;  // bytes of the reply
    char reply[STATUS_REPLY_MAX];
};

enum class Progress : uint8_t { Waiting, Answered, Failed };

struct Request {
    char bytes[16] = {};
    size_t length = build_status_request(bytes, sizeof bytes, PROTOCOL_VERSION);
};

bool start_check(Check& c, Endpoint endpoint, int64_t deadline_ms) {
    c = Check{};
    c.endpoint = endpoint;
    c.deadline_ms = deadline_ms;
    c.socket = open_socket(SocketKind::Tcp);
    if (c.socket == NO_SOCKET || !set_blocking(c.socket, false)) return false;
    const ConnectStart start = start_connect(c.socket, endpoint);
    c.connected = start == ConnectStart::Connected;
    return start != ConnectStart::Failed;
}

uint8_t wanted(const Check& c, const Request& request) {
    return !c.connected || c.sent < request.length ? SOCKET_WRITABLE : SOCKET_READABLE;
}

// One step of an exchange once its socket is ready.
Progress advance(Check& c, uint8_t ready, const Request& request) {
    if (!c.connected) {
        if ((ready & SOCKET_FAILED) != 0 || !connect_succeeded(c.socket)) return Progress::Failed;
        c.connected = true;
    }
    if (c.sent < request.length) {
        const long n = send_bytes(c.socket, request.bytes + c.sent, request.length - c.sent);
        if (n == SOCKET_WOULD_BLOCK) return Progress::Waiting;
        if (n <= 0) return Progress::Failed;
        c.sent = static_cast<uint8_t>(c.sent + n);
        return Progress::Waiting;
    }
    // The reply: until a line feed, the peer's close or a full buffer.
    const long n = receive_bytes(c.socket, c.reply + c.received, sizeof c.reply - c.received);
    if (n == SOCKET_WOULD_BLOCK) return Progress::Waiting;
    if (n < 0) return Progress::Failed;
    if (n == 0) return Progress::Answered;
    const bool line_end = std::memchr(c.reply + c.received, '\n', static_cast<size_t>(n)) != nullptr;
    c.received = static_cast<uint16_t>(c.received + n);
    return line_end || c.received == sizeof c.reply ? Progress::Answered : Progress::Waiting;
}

void finish(Registry& r, Check& c, Progress progress) {
    close_socket(c.socket);
    StatusReply reply;
    const bool answered =
        progress == Progress::Answered && parse_status_reply(std::string_view(c.reply, c.received), reply);
    finish_check(r, c.endpoint, answered ? &reply : nullptr, registry_now_ms());
}

// Takes queued addresses into free slots; waits for one while none is under
// way. False when the registry stops.
bool take_queued(Registry& r, Check* checks, int& active) {
    int64_t timeout_ms = 0;
    Endpoint endpoint;
    for (;;) {
        {
            std::unique_lock lock(r.mutex);
            if (active == 0) r.check_wake.wait(lock, [&] { return r.stopping || r.check_count > 0; });
            if (r.stopping) return false;
            if (active == CHECK_QUEUE_CAPACITY || !take_queued_check(r, endpoint)) return true;
            timeout_ms = r.rules.check_timeout_ms;
        }
        Check& c = checks[active];
        if (start_check(c, endpoint, registry_now_ms() + timeout_ms)) ++active;
        else finish(r, c, Progress::Failed);
    }
}

}  // namespace

void run_checker(Registry& r) {
    if (!start_sockets()) return;
    const Request request;
    const auto checks = std::make_unique<Check[]>(CHECK_QUEUE_CAPACITY);
    const auto waits = std::make_unique<SocketWait[]>(CHECK_QUEUE_CAPACITY);
    int active = 0;
    while (take_queued(r, checks.get(), active)) {
        int64_t now = registry_now_ms();
        int64_t wait_ms = QUEUE_LOOK_MS;
        for (int i = 0; i < active; ++i) {
            waits[i] = {checks[i].socket, wanted(checks[i], request), 0};
            wait_ms = std::min(wait_ms, checks[i].deadline_ms - now);
        }
        if (wait_sockets(waits.get(), static_cast<size_t>(active), std::max<int64_t>(wait_ms, 0) * 1000000) < 0) {
            for (int i = 0; i < active; ++i) waits[i].ready = 0;
        }
        now = registry_now_ms();
        for (int i = 0; i < active;) {
            Check& c = checks[i];
            Progress progress = Progress::Waiting;
            if (waits[i].ready != 0) progress = advance(c, waits[i].ready, request);
            if (progress == Progress::Waiting && now >= c.deadline_ms) progress = Progress::Failed;
            if (progress == Progress::Waiting) {
                ++i;
                continue;
            }
            finish(r, c, progress);
            // The last one takes this slot, and its wait with it.
            --active;
            c = checks[active];
            waits[i] = waits[active];
        }
    }
    for (int i = 0; i < active; ++i) close_socket(checks[i].socket);
    stop_sockets();
}

void start_checker(Registry& r) {
    r.stopping = false;
    r.checker = std::thread([&r] { run_checker(r); });
}

void stop_checker(Registry& r) {
    {
        std::lock_guard lock(r.mutex);
        r.stopping = true;
    }
    r.check_wake.notify_all();
    if (r.checker.joinable()) r.checker.join();
}

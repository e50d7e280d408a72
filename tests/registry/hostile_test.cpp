// The registry and its clients against hostile peers on loopback, each
// attack as it would come from the internet: connections that drip or
// flood, announcements with odd bodies, servers that answer their status
// check slowly, a registry whose answers are bombs, and old TLS suites.
// Other sources are sockets bound to other 127.0.0.x addresses.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "registry/registry_client.h"
#include "support/canned_http.h"
#include "support/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string url_of(uint16_t port) { return "http://127.0.0.1:" + std::to_string(port); }

// The list as the game reads it: nullptr, or why not.
const char* read_list(const std::string& url, int* count = nullptr) {
    RegistryUrl parsed;
    if (const char* bad = parse_registry_url(url, parsed)) return bad;
    RegistryEntry entries[64];
    int read = 0;
    const char* failed = fetch_server_list(parsed, entries, 64, read);
    if (count) *count = read;
    return failed;
}

bool send_text(int fd, const std::string& text) {
    size_t at = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (at < text.size() && Clock::now() < deadline) {
        const ssize_t n = ::send(fd, text.data() + at, text.size() - at, MSG_NOSIGNAL);
        if (n > 0) at += static_cast<size_t>(n);
        else if (n < 0 && errno != EAGAIN) return false;
        else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
    return at == text.size();
}

// Everything the peer sends until it closes or `timeout_ms` passes.
std::string read_until_closed(int fd, int timeout_ms) {
    std::string got;
    char buffer[4096];
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

// Whether the peer has closed the connection (or reset it).
bool closed_by_peer(int fd) {
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN);
}

// An announcement of `port` from 127.0.0.`source`; the answer's status.
int announce_from(uint8_t source, uint16_t registry_port, uint16_t port) {
    const int fd = connect_from(source, registry_port);
    if (fd < 0) return -1;
    const std::string body = "{\"port\": " + std::to_string(port) + "}";
    send_text(fd, "POST /announce HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nConnection: close\r\n"
                  "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    const std::string answer = read_until_closed(fd, 5000);
    ::close(fd);
    return answer.starts_with("HTTP/1.1 ") ? std::atoi(answer.c_str() + 9) : -1;
}

bool eventually_requests(const CannedHttp& peer, int count) {
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (peer.requests() < count && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return peer.requests() >= count;
}

TEST(RegistryUnderAttack, AnHonestListIsServedWhileSixtyFourConnectionsDrip) {
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {})) << server_log(registry);
    // 64 connections from four addresses, 16 each (as many as one address
    // may hold), each starting a request it never finishes.
    const auto dripping = Clock::now();
    std::vector<int> drips;
    for (int i = 0; i < 64; ++i) {
        const int fd = connect_from(static_cast<uint8_t>(10 + i / 16), registry.port);
        ASSERT_GE(fd, 0) << i;
        ASSERT_TRUE(send_text(fd, "GET /servers HTTP/1.1\r\nHost: x\r\nX-Slow: "));
        drips.push_back(fd);
    }
    std::atomic<bool> stop{false};
    std::thread dripper([&] {
        while (!stop) {
            for (int fd : drips) ::send(fd, "a", 1, MSG_NOSIGNAL);
            for (int i = 0; i < 20 && !stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });

    // Honest readers meanwhile, from 127.0.0.1.
    std::vector<double> waits;
    for (int i = 0; i < 10; ++i) {
        const auto asked = Clock::now();
        EXPECT_EQ(read_list(url_of(registry.port)), nullptr);
        waits.push_back(ms_since(asked));
    }
    EXPECT_TRUE(std::none_of(drips.begin(), drips.end(), closed_by_peer)) << "read while every drip was open";
    std::sort(waits.begin(), waits.end());
    EXPECT_LT(waits.back(), 1000.0);
    RecordProperty("honest_list_while_dripping_max_ms", static_cast<int>(waits.back()));
    std::printf("an honest GET /servers while 64 connections drip: median %.1f ms, slowest %.1f ms\n", waits[5],
                waits.back());

    // A seventeenth connection from one of those addresses is refused at once.
    const int seventeenth = connect_from(10, registry.port);
    ASSERT_GE(seventeenth, 0);
    send_text(seventeenth, "GET /servers HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(read_until_closed(seventeenth, 2000).find("200 OK"), std::string::npos);
    ::close(seventeenth);

    // Each dripping request is cut off once its time as a whole is up.
    const auto all_closed = [&] {
        return std::all_of(drips.begin(), drips.end(), [](int fd) { return closed_by_peer(fd); });
    };
    while (!all_closed() && ms_since(dripping) < 15000) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double cut_after = ms_since(dripping);
    stop = true;
    dripper.join();
    EXPECT_TRUE(all_closed());
    EXPECT_GE(cut_after, 2900.0) << "not before their time";
    EXPECT_LT(cut_after, 10000.0);
    std::printf("the 64 dripping connections were all closed %.1f s after they started\n", cut_after / 1000);
    for (int fd : drips) ::close(fd);
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
}

TEST(RegistryUnderAttack, HeaderFloodsAndOddBodiesCostNoMemory) {
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {})) << server_log(registry);
    ASSERT_EQ(read_list(url_of(registry.port)), nullptr);
    const long before = resident_kb(registry.pid);
    ASSERT_TRUE(reset_peak_resident(registry.pid));

    // 8 connections, each sending 24 MB of header lines.
    constexpr size_t FLOOD = 24u << 20;
    std::atomic<size_t> most_sent{0};
    std::vector<std::thread> floods;
    for (int i = 0; i < 8; ++i) {
        floods.emplace_back([&, i] {
            const int fd = connect_from(static_cast<uint8_t>(20 + i), registry.port);
            if (fd < 0) return;
            const std::string line = "X-Flood: " + std::string(1000, 'a') + "\r\n";
            std::string head = "POST /announce HTTP/1.1\r\nHost: x\r\n";
            size_t sent = 0;
            bool open = send_text(fd, head);
            while (open && sent < FLOOD) {
                open = send_text(fd, line);
                sent += open ? line.size() : 0;
            }
            size_t seen = most_sent.load();
            while (sent > seen && !most_sent.compare_exchange_weak(seen, sent)) {
            }
            ::close(fd);
        });
    }
    for (std::thread& t : floods) t.join();
    const long peak = peak_resident_kb(registry.pid);
    const long after = resident_kb(registry.pid);
    EXPECT_LT(most_sent.load(), FLOOD) << "every flood was cut off";
    EXPECT_LT(peak - before, 10 * 1024) << before << " kB before, " << peak << " kB at most";
    EXPECT_LT(after - before, 1024) << before << " kB before, " << after << " kB after";
    RecordProperty("header_flood_peak_kb", static_cast<int>(peak - before));
    std::printf("registry memory under 8 floods of 24 MB of headers: %ld kB before, %ld kB at most (+%ld), %ld kB after; "
                "the most any flood sent was %zu kB\n",
                before, peak, peak - before, after, most_sent.load() / 1024);

    // Announcement bodies that are not sent whole and plain are refused
    // before they are read.
    const struct {
        const char* head;
        size_t body_bytes;
        int status;
    } cases[] = {
        {"Transfer-Encoding: chunked\r\n", 16u << 20, 411},
        {"Content-Encoding: gzip\r\nContent-Length: 426\r\n", 426, 415},
        {"Content-Length: 16777216\r\n", 16u << 20, 413},
        {"Content-Length: 513\r\n", 513, 413},
    };
    for (const auto& c : cases) {
        const int fd = connect_from(30, registry.port);
        ASSERT_GE(fd, 0);
        send_text(fd, std::string("POST /announce HTTP/1.1\r\nHost: x\r\n") + c.head + "\r\n");
        const std::string answer = read_until_closed(fd, 5000);
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 " + std::to_string(c.status))) << c.head << answer;
        ::close(fd);
    }
    EXPECT_EQ(read_list(url_of(registry.port)), nullptr);
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
}

// Status servers that accept and then drip their reply a byte at a time,
// never finishing it: 16 ports at each of four addresses.
struct SlowStatusServers {
    std::vector<int> listeners;
    std::vector<uint16_t> ports;
    std::vector<uint8_t> sources;
    std::atomic<bool> stop{false};
    std::thread thread;

    SlowStatusServers() {
        for (uint8_t source = 40; source < 44; ++source) {
            for (int i = 0; i < 16; ++i) {
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
                sockaddr_in a{};
                a.sin_family = AF_INET;
                a.sin_addr.s_addr = htonl(0x7F000000u | source);
                ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
                ::listen(fd, 8);
                socklen_t size = sizeof a;
                ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
                listeners.push_back(fd);
                ports.push_back(ntohs(a.sin_port));
                sources.push_back(source);
            }
        }
        thread = std::thread([this] { run(); });
    }
    ~SlowStatusServers() {
        stop = true;
        thread.join();
        for (int fd : listeners) ::close(fd);
    }
    void run() {
        std::vector<int> talking;
        const std::string reply = "skorvia status version=20 players=0 max=8\n";
        size_t at = 0;
        while (!stop) {
            for (int fd : listeners) {
                const int c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (c >= 0) talking.push_back(c);
            }
            // One byte of the reply to each, every half second; never the line feed.
            for (int c : talking) ::send(c, &reply[at % (reply.size() - 1)], 1, MSG_NOSIGNAL);
            ++at;
            for (int i = 0; i < 10 && !stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        for (int c : talking) ::close(c);
    }
};

TEST(RegistryChecks, AnHonestServerIsListedWhileHostileServersAnswerSlowly) {
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {})) << server_log(registry);
    const std::string url = url_of(registry.port);
    SlowStatusServers slow;
    for (size_t i = 0; i < slow.ports.size(); ++i) {
        ASSERT_EQ(announce_from(slow.sources[i], registry.port, slow.ports[i]), 202) << i;
    }
    const auto started = Clock::now();
    ServerProcess honest;
    ASSERT_TRUE(start_server_process(honest, SKORVIA_SERVER_BINARY, {"--register", url, "--announce-every", "1"}))
        << server_log(honest);
    int count = 0;
    while (ms_since(started) < 20000 && (read_list(url, &count) != nullptr || count == 0)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double listed_after = ms_since(started);
    EXPECT_EQ(count, 1);
    EXPECT_LT(listed_after, 10000.0);
    RecordProperty("honest_listed_among_slow_ms", static_cast<int>(listed_after));
    std::printf("an honest server was listed %.0f ms after it started, while 64 status checks were dripped\n",
                listed_after);
    // The slow ones are given up on as a whole, never listed.
    EXPECT_TRUE(wait_for_log(honest, "info: registered at " + url + " (listed)", 10000)) << server_log(honest);
    const auto refused = Clock::now();
    while (announce_from(slow.sources[0], registry.port, slow.ports[0]) != 403 && ms_since(refused) < 15000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_EQ(announce_from(slow.sources[0], registry.port, slow.ports[0]), 403);
    EXPECT_EQ(read_list(url, &count), nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(stop_server_process(honest, SIGTERM), 0);
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
}

// A gzip stream of `bytes` zeros, made by the system's gzip.
std::string gzip_of_zeros(size_t bytes) {
    char name[] = "/tmp/skorvia-bomb-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return {};
    ::close(fd);
    const std::string make = "head -c " + std::to_string(bytes) + " /dev/zero | gzip -9 > " + name;
    std::string bomb;
    if (std::system(make.c_str()) == 0) {
        FILE* f = std::fopen(name, "rb");
        char buffer[65536];
        size_t n = 0;
        while (f && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bomb.append(buffer, n);
        if (f) std::fclose(f);
    }
    std::filesystem::remove(name);
    return bomb;
}

CannedAnswer gzip_bomb() {
    CannedAnswer a;
    a.body = gzip_of_zeros(200u << 20);
    a.head += "Content-Type: application/json\r\nContent-Encoding: gzip\r\nContent-Length: " +
              std::to_string(a.body.size()) + "\r\n";
    return a;
}

CannedAnswer deep_json(size_t bytes) {
    CannedAnswer a;
    a.head += "Content-Type: application/json\r\nContent-Length: " + std::to_string(bytes) + "\r\n";
    a.body = R"({"servers": )";
    a.filler = '[';
    a.filler_bytes = bytes - a.body.size();
    return a;
}

CannedAnswer unending(size_t bytes) {
    CannedAnswer a;
    a.head += "Content-Type: application/json\r\nConnection: close\r\n";
    a.filler_bytes = bytes;
    return a;
}

TEST(HostileRegistry, TheGamesReadingStaysWithinItsLimits) {
    CannedAnswer flood;
    flood.header_flood = 64u << 20;
    CannedAnswer drip;
    drip.head += "Content-Length: 400\r\n";
    drip.body = R"({"servers": [)";
    drip.filler_bytes = 400;
    drip.drip_ms = 20;
    const struct {
        const char* what;
        CannedAnswer answer;
        const char* failure;
    } cases[] = {
        {"a gzip bomb", gzip_bomb(), "the answer is compressed"},
        {"3 MiB of nesting", deep_json(3u << 20), "the answer is not a server list"},
        {"64 MiB without a length", unending(64u << 20), "the answer is too large"},
        {"64 MiB of header lines", flood, "the answer's headers are too large"},
        {"a list dripped", drip, "no answer in time"},
    };
    const pid_t self = ::getpid();
    {
        // Whatever a first exchange sets up once is not counted.
        CannedAnswer honest;
        honest.head += "Content-Length: 14\r\n";
        honest.body = R"({"servers":[]})";
        CannedHttp registry(honest);
        ASSERT_EQ(read_list(registry.url()), nullptr);
    }
    long worst = 0;
    for (const auto& c : cases) {
        CannedHttp hostile(c.answer);
        const long before = resident_kb(self);
        ASSERT_TRUE(reset_peak_resident(self));
        const auto asked = Clock::now();
        const char* failed = read_list(url_of(hostile.port()));
        const double took = ms_since(asked);
        const long grew = peak_resident_kb(self) - before;
        worst = std::max(worst, grew);
        EXPECT_STREQ(failed, c.failure) << c.what;
        EXPECT_LT(grew, 8 * 1024) << c.what;
        EXPECT_LT(took, REGISTRY_EXCHANGE_TIMEOUT_MS + 3000.0) << c.what;
        EXPECT_EQ(hostile.last_request().find("Accept-Encoding"), std::string::npos) << hostile.last_request();
        std::printf("the game's reading of %s: \"%s\" after %.0f ms, memory at most +%ld kB\n", c.what, failed, took,
                    grew);
    }
    RecordProperty("game_reading_worst_kb", static_cast<int>(worst));
}

// The server's announcer reads a registry's answer within the same kind of
// limits: a bomb costs it nothing.
TEST(HostileRegistry, TheServersAnnouncerStaysSmall) {
    CannedHttp bomb(gzip_bomb());
    CannedHttp endless(unending(256u << 20));
    ServerProcess plain, server;
    ASSERT_TRUE(start_server_process(plain, SKORVIA_SERVER_BINARY, {})) << server_log(plain);
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY,
                                     {"--register", bomb.url(), "--register", endless.url(), "--announce-every", "1"}))
        << server_log(server);
    EXPECT_TRUE(wait_for_log(server, "warning: can't register at " + bomb.url() + ": the answer is compressed", 10000))
        << server_log(server);
    EXPECT_TRUE(wait_for_log(server, "warning: can't register at " + endless.url() + ": the answer is too large", 10000))
        << server_log(server);
    EXPECT_TRUE(eventually_requests(bomb, 3)) << "announced again and again";
    const long baseline = resident_kb(plain.pid);
    const long peak = peak_resident_kb(server.pid);
    EXPECT_LT(peak - baseline, 8 * 1024) << baseline << " kB without a registry, " << peak << " kB at most";
    RecordProperty("announcer_peak_over_plain_kb", static_cast<int>(peak - baseline));
    std::printf("a server announcing to a gzip bomb and a 256 MiB answer: %ld kB at most; one announcing nowhere: %ld kB\n",
                peak, baseline);
    EXPECT_EQ(bomb.last_request().find("Accept-Encoding"), std::string::npos) << bomb.last_request();
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0);
    EXPECT_EQ(stop_server_process(plain, SIGTERM), 0);
}

// `openssl s_client` against the registry with one protocol and suite: true
// when the handshake succeeded.
bool handshake(uint16_t port, const std::string& offer) {
    const std::string command = "timeout 10 openssl s_client -connect 127.0.0.1:" + std::to_string(port) + " " + offer +
                                " </dev/null >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

TEST(RegistryTls, OnlyForwardSecretAeadSuitesOnBothSides) {
    TestCertificate made;
    ASSERT_TRUE(make_test_certificate(made));
    const std::string& cert = made.cert;
    const std::string& key = made.key;
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {"--cert", cert, "--key", key}))
        << server_log(registry);
    const struct {
        const char* offer;
        bool taken;
    } offers[] = {
        {"-tls1_3", true},
        {"-tls1_2 -cipher ECDHE-RSA-AES128-GCM-SHA256", true},
        {"-tls1_2 -cipher ECDHE-RSA-CHACHA20-POLY1305", true},
        {"-tls1_2 -cipher AES128-SHA", false},               // no forward secrecy, CBC, SHA-1
        {"-tls1_2 -cipher AES128-GCM-SHA256", false},        // no forward secrecy
        {"-tls1_2 -cipher ECDHE-RSA-AES128-SHA", false},     // CBC with SHA-1
        {"-tls1_2 -cipher ECDHE-RSA-AES128-SHA256", false},  // CBC
        {"-tls1_2 -cipher DHE-RSA-AES128-GCM-SHA256", false},
        {"-tls1_1 -cipher ECDHE-RSA-AES128-SHA@SECLEVEL=0", false},
    };
    for (const auto& o : offers) EXPECT_EQ(handshake(registry.port, o.offer), o.taken) << o.offer;
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);

    // The client side: a registry offering only a CBC suite without forward
    // secrecy is not talked to, even with a trusted certificate.
    setenv("SSL_CERT_FILE", cert.c_str(), 1);
    for (const char* suite : {"AES128-SHA", "ECDHE-RSA-AES128-SHA", "ECDHE-RSA-AES128-GCM-SHA256"}) {
        const uint16_t port = free_port();
        const pid_t old_server = start_child({"openssl", "s_server", "-quiet", "-www", "-no_tls1_3", "-accept",
                                              "127.0.0.1:" + std::to_string(port), "-cert", cert, "-key", key,
                                              "-cipher", suite});
        ASSERT_GT(old_server, 0) << suite;
        std::string failure;
        for (int i = 0; i < 100; ++i) {
            const char* failed = read_list("https://127.0.0.1:" + std::to_string(port));
            failure = failed ? failed : "";
            if (failure != "can't connect") break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const bool modern = std::string_view(suite).find("GCM") != std::string_view::npos;
        // s_server's -www page is not a list: getting that far means the handshake worked.
        EXPECT_EQ(failure, modern ? "the answer is not a server list" : "the TLS handshake failed") << suite;
        stop_child(old_server);
    }
    unsetenv("SSL_CERT_FILE");
    std::filesystem::remove_all(std::filesystem::path(made.cert).parent_path());
}

}  // namespace

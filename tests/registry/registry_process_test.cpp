// The real skorvia-registry with real skorvia-servers announcing to it over
// loopback: honest servers are listed, an announcement for an address where
// no skorvia server answers never is, a server that stops is dropped, bad
// requests get a 4xx and change nothing, and the same works over HTTPS.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <httplib.h>

#include "registry/registry_client.h"
#include "support/canned_http.h"
#include "support/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string url_of(const ServerProcess& registry, const char* scheme = "http") {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(registry.port);
}

// The registry's list as the game reads it; empty on failure (with `error`).
std::vector<RegistryEntry> listed(const std::string& url, std::string* error = nullptr) {
    RegistryUrl parsed;
    if (parse_registry_url(url, parsed)) return {};
    std::vector<RegistryEntry> entries(64);
    int count = 0;
    if (const char* failed = fetch_server_list(parsed, entries.data(), 64, count)) {
        if (error) *error = failed;
        return {};
    }
    entries.resize(static_cast<size_t>(count));
    return entries;
}

bool lists_port(const std::vector<RegistryEntry>& entries, uint16_t port) {
    for (const RegistryEntry& e : entries) {
        if (e.endpoint.port == port) return true;
    }
    return false;
}

// Waits (generously: the wait ends as soon as it holds) for the condition.
template <typename Condition>
bool eventually(Condition condition, int timeout_ms = 15000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// A TCP port that nothing listens on.
uint16_t closed_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

TEST(RegistryProcess, HonestServersAreListedLiarsNeverAndSilentOnesDropped) {
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {"--forget-after", "3"})) << server_log(registry);
    const std::string url = url_of(registry);
    ServerProcess alpha, beta;
    ASSERT_TRUE(start_server_process(alpha, SKORVIA_SERVER_BINARY,
                                     {"--register", url, "--name", "Alpha", "--announce-every", "1"}));
    ASSERT_TRUE(start_server_process(beta, SKORVIA_SERVER_BINARY, {"--register", url, "--announce-every", "1"}));

    // Lies: announcements for a port where nothing answers and for one
    // where something that is not a skorvia server answers (the registry).
    httplib::Client liar("127.0.0.1", registry.port);
    const uint16_t nothing = closed_port();
    for (uint16_t port : {nothing, registry.port}) {
        const auto reply = liar.Post("/announce", "{\"port\": " + std::to_string(port) + "}", "application/json");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 202);
    }

    ASSERT_TRUE(eventually([&] {
        const auto entries = listed(url);
        return lists_port(entries, alpha.port) && lists_port(entries, beta.port);
    })) << server_log(registry);
    auto entries = listed(url);
    for (const RegistryEntry& e : entries) {
        if (e.endpoint.port == alpha.port) {
            EXPECT_EQ(e.name_view(), "Alpha");
        }
        EXPECT_EQ(e.endpoint.address, 0x7F000001u);
    }
    EXPECT_TRUE(wait_for_log(alpha, "info: registered at " + url + " (listed)", 5000)) << server_log(alpha);
    // The liar learns why, once the checks are done.
    EXPECT_TRUE(eventually([&] {
        const auto reply = liar.Post("/announce", "{\"port\": " + std::to_string(nothing) + "}", "application/json");
        return reply && reply->status == 403;
    }));
    entries = listed(url);
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_FALSE(lists_port(entries, nothing));
    EXPECT_FALSE(lists_port(entries, registry.port));

    // Beta stops announcing: gone within the registry's 3 s (and its sweep).
    EXPECT_EQ(stop_server_process(beta, SIGTERM), 0);
    const auto stopped = Clock::now();
    ASSERT_TRUE(eventually([&] { return !lists_port(listed(url), beta.port); }, 10000));
    const double gone_after = std::chrono::duration<double>(Clock::now() - stopped).count();
    EXPECT_TRUE(lists_port(listed(url), alpha.port));
    RecordProperty("silent_server_dropped_ms", static_cast<int>(gone_after * 1000));
    std::printf("a stopped server left the list %.1f s after it stopped (forgotten after 3 s here)\n", gone_after);

    EXPECT_EQ(stop_server_process(alpha, SIGTERM), 0);
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
    const std::string said = server_log(registry);
    EXPECT_EQ(said.find("warning"), std::string::npos) << said;
    EXPECT_EQ(said.find("error"), std::string::npos) << said;
}

TEST(RegistryProcess, BadRequestsGetA4xxAndMemoryStaysFlat) {
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {})) << server_log(registry);
    httplib::Client client("127.0.0.1", registry.port);
    const std::string huge(64 * 1024, '{');
    const std::string deep = std::string(400, '[') + std::string(400, ']');
    auto round = [&] {
        for (const std::string& body : {std::string("{\"port\": "), std::string("[1,2"), huge, deep,
                                        std::string("{\"port\": 7777, \"name\": \"\\u0000\"}")}) {
            const auto reply = client.Post("/announce", body, "application/json");
            if (!reply || reply->status < 400 || reply->status >= 500) return false;
        }
        const auto missing = client.Get("/nothing");
        return missing && missing->status == 404;
    };
    ASSERT_TRUE(round());
    const long before = resident_kb(registry.pid);
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(round()) << i;
    const long after = resident_kb(registry.pid);
    EXPECT_LT(after - before, 1024) << before << " kB before, " << after << " kB after";
    std::printf("registry memory: %ld kB before and %ld kB after 1800 bad requests\n", before, after);

    // A client that sends half a request and waits is let go, and others
    // are served meanwhile.
    const int slow = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(registry.port);
    ASSERT_EQ(::connect(slow, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const char half[] = "POST /announce HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n{\"po";
    ASSERT_GT(::send(slow, half, sizeof half - 1, MSG_NOSIGNAL), 0);
    EXPECT_EQ(listed(url_of(registry)).size(), 0u);
    std::string error;
    listed(url_of(registry), &error);
    EXPECT_EQ(error, "");
    timeval wait = {10, 0};
    ::setsockopt(slow, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char answer[256];
    const auto sent = Clock::now();
    while (::recv(slow, answer, sizeof answer, 0) > 0) {
    }
    EXPECT_LT(Clock::now() - sent, std::chrono::seconds(8)) << "closed after the read time-out";
    ::close(slow);
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
}

TEST(RegistryProcess, HttpsWithACertificateOfItsOwn) {
    TestCertificate made;
    ASSERT_TRUE(make_test_certificate(made));
    const std::string& cert = made.cert;
    const std::string& key = made.key;

    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {"--cert", cert, "--key", key}))
        << server_log(registry);
    const std::string url = url_of(registry, "https");
    EXPECT_NE(server_log(registry).find("(https)"), std::string::npos);

    // Not trusted yet: nothing is read.
    std::string error;
    EXPECT_TRUE(listed(url, &error).empty());
    EXPECT_EQ(error, "the registry's certificate is not trusted");
    EXPECT_TRUE(listed(url_of(registry, "http"), &error).empty()) << "no plain HTTP on an HTTPS port";

    // Trusted through OpenSSL's own variable, by the server (inherited) and here.
    setenv("SSL_CERT_FILE", cert.c_str(), 1);
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--register", url, "--name", "Secure"}));
    EXPECT_TRUE(eventually([&] { return lists_port(listed(url), server.port); })) << server_log(server);
    unsetenv("SSL_CERT_FILE");

    EXPECT_EQ(stop_server_process(server, SIGTERM), 0);
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
    std::filesystem::remove_all(std::filesystem::path(made.cert).parent_path());
}

}  // namespace

// A registry's answer is outside text: the server's log quotes it with
// everything a terminal would act on written out, as it does chat lines.
TEST(RegistryProcess, TheRegistrysAnswerReachesTheLogDefused) {
    httplib::Server fake;
    fake.Post("/announce", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("\x1b[2J\x1b]0;owned\x07listed\xe2\x80\xae!\n", "text/plain");
    });
    const int port = fake.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&] { fake.listen_after_bind(); });
    const std::string url = "http://127.0.0.1:" + std::to_string(port);
    ServerProcess server;
    const bool started = start_server_process(server, SKORVIA_SERVER_BINARY, {"--register", url, "--announce-every", "1"});
    EXPECT_TRUE(started) << server_log(server);
    const std::string quoted = "(\\x1b[2J\\x1b]0;owned\\x07listed\\u202e!)";
    if (started) {
        EXPECT_TRUE(wait_for_log(server, "info: registered at " + url + " " + quoted, 5000)) << server_log(server);
        EXPECT_EQ(stop_server_process(server, SIGTERM), 0);
    }
    fake.stop();
    serving.join();
    const std::string said = server_log(server);
    EXPECT_EQ(said.find('\x1b'), std::string::npos) << said;
    EXPECT_EQ(said.find("\xe2\x80\xae"), std::string::npos) << said;
}

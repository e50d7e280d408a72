// The Windows build's registry client (WinHTTP) against the real
// skorvia-registry on loopback, over HTTPS: the Windows skorvia-server
// announces itself under Wine and is listed beside a Linux one, and
// skorvia_registry_probe.exe (under Wine) reads the list with both once the
// registry's certificate is trusted, and nothing before. `make test-windows` runs it with
// SKORVIA_WINDOWS_REGISTRY_PROBE and SKORVIA_WINDOWS_SERVER set; without
// them the test is skipped.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "registry/registry_client.h"
#include "support/canned_http.h"
#include "support/child_process.h"
#include "support/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// The runner is a command of several words ("env ... wine"), none quoted.
std::vector<std::string> wine_command() {
    const char* wine = std::getenv("SKORVIA_WINE");
    std::vector<std::string> command;
    std::istringstream runner(wine && *wine ? wine : "wine");
    for (std::string word; runner >> word;) command.push_back(word);
    return command;
}

bool linux_client_lists(const std::string& url, uint16_t a, uint16_t b) {
    RegistryUrl parsed;
    if (parse_registry_url(url, parsed)) return false;
    std::vector<RegistryEntry> entries(64);
    int count = 0;
    if (fetch_server_list(parsed, entries.data(), 64, count)) return false;
    bool seen_a = false, seen_b = false;
    for (int i = 0; i < count; ++i) {
        seen_a = seen_a || entries[static_cast<size_t>(i)].endpoint.port == a;
        seen_b = seen_b || entries[static_cast<size_t>(i)].endpoint.port == b;
    }
    return seen_a && seen_b;
}

// Runs the Windows probe on `url`; its exit status, and what it printed.
int run_probe(const std::string& probe, const std::string& url, std::string& said) {
    std::vector<std::string> command = wine_command();
    command.push_back(probe);
    command.push_back(url);
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return -1;
    const pid_t pid = spawn_tied_child(command, pipe_fds[1]);
    close(pipe_fds[1]);
    if (pid < 0) {
        close(pipe_fds[0]);
        return -1;
    }
    char buffer[512];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) said.append(buffer, static_cast<size_t>(n));
    close(pipe_fds[0]);
    // Windows ends its printed lines with "\r\n".
    std::erase(said, '\r');
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
}

// The certificate as Wine's (and Windows') registry-backed store of
// trusted authorities keeps it: under its SHA-1 thumbprint, a "Blob" of
// properties of which the certificate itself (property 32, its DER) is one.
bool store_entry(const std::string& pem_file, std::string& thumbprint, std::string& blob_hex) {
    FILE* file = std::fopen(pem_file.c_str(), "r");
    if (!file) return false;
    X509* cert = PEM_read_X509(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    if (!cert) return false;
    unsigned char* der = nullptr;
    const int length = i2d_X509(cert, &der);
    X509_free(cert);
    if (length <= 0) return false;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digest_length = 0;
    EVP_Digest(der, static_cast<size_t>(length), digest, &digest_length, EVP_sha1(), nullptr);
    auto hex = [](const unsigned char* bytes, size_t count) {
        std::string text;
        char pair[3];
        for (size_t i = 0; i < count; ++i) {
            std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
            text += pair;
        }
        return text;
    };
    thumbprint = hex(digest, digest_length);
    const uint32_t header[3] = {32, 1, static_cast<uint32_t>(length)};  // property, encoding, size (little-endian)
    blob_hex = hex(reinterpret_cast<const unsigned char*>(header), sizeof header) +
               hex(der, static_cast<size_t>(length));
    OPENSSL_free(der);
    return true;
}

// Runs Wine's reg.exe with `args`; whether it succeeded.
bool wine_reg(const std::vector<std::string>& args) {
    std::vector<std::string> command = wine_command();
    command.push_back("reg");
    command.insert(command.end(), args.begin(), args.end());
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = spawn_tied_child(command, quiet);
    close(quiet);
    int wait_status = 0;
    return pid > 0 && waitpid(pid, &wait_status, 0) == pid && WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 0;
}

TEST(WindowsRegistryClient, AWindowsServerIsListedAndTheWindowsGameReadsTheList) {
    const char* probe = std::getenv("SKORVIA_WINDOWS_REGISTRY_PROBE");
    const char* windows_server = std::getenv("SKORVIA_WINDOWS_SERVER");
    if (!probe || !*probe || !windows_server || !*windows_server) {
        GTEST_SKIP() << "no Windows build named (SKORVIA_WINDOWS_REGISTRY_PROBE, SKORVIA_WINDOWS_SERVER; "
                        "make test-windows sets them)";
    }
    TestCertificate made;
    ASSERT_TRUE(make_test_certificate(made));
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {"--cert", made.cert, "--key", made.key}))
        << server_log(registry);
    // By name: Wine's TLS matches a certificate's names, not its addresses.
    const std::string url = "https://localhost:" + std::to_string(registry.port);

    // Not trusted yet: the Windows client reads nothing. Windows names the
    // certificate's fault; Wine's WinHTTP reports it as a failed handshake.
    std::string said;
    EXPECT_EQ(run_probe(probe, url, said), 1) << said;
    EXPECT_TRUE(said.find("probe: the registry's certificate is not trusted") != std::string::npos ||
                said.find("probe: the TLS handshake failed") != std::string::npos)
        << said;

    // Trusted by the Wine prefix's current user, as a Windows user would add
    // it; by OpenSSL's own variable for the Linux programs.
    std::string thumbprint, blob;
    ASSERT_TRUE(store_entry(made.cert, thumbprint, blob));
    const std::string key = "HKCU\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + thumbprint;
    ASSERT_TRUE(wine_reg({"add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", blob, "/f"}));
    setenv("SSL_CERT_FILE", made.cert.c_str(), 1);

    ServerProcess linux_server;
    ASSERT_TRUE(start_server_process(linux_server, SKORVIA_SERVER_BINARY,
                                     {"--register", url, "--name", "Linux host", "--announce-every", "1"}))
        << server_log(linux_server);
    // The Windows server under Wine: the runner's words, then the program.
    std::vector<std::string> command = wine_command();
    const std::string runner = command.front();
    command.erase(command.begin());
    command.push_back(windows_server);
    for (const char* a : {"--register", url.c_str(), "--name", "Windows host", "--announce-every", "1"}) {
        command.push_back(a);
    }
    ServerProcess windows;
    ASSERT_TRUE(start_server_process(windows, runner, command)) << server_log(windows);

    // Listed once the registry has checked both: each answers its status query.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!linux_client_lists(url, linux_server.port, windows.port) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(linux_client_lists(url, linux_server.port, windows.port))
        << server_log(registry) << server_log(windows);
    EXPECT_TRUE(wait_for_log(windows, "info: registered at " + url + " (listed)", 10000)) << server_log(windows);
    unsetenv("SSL_CERT_FILE");

    said.clear();
    EXPECT_EQ(run_probe(probe, url, said), 0) << said;
    EXPECT_NE(said.find("listed 127.0.0.1:" + std::to_string(linux_server.port) + " Linux host\n"), std::string::npos)
        << said;
    EXPECT_NE(said.find("listed 127.0.0.1:" + std::to_string(windows.port) + " Windows host\n"), std::string::npos)
        << said;
    std::printf("%s", said.c_str());

    // A registry that is not there is a failure, said as such.
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
    said.clear();
    EXPECT_EQ(run_probe(probe, url, said), 1) << said;
    EXPECT_NE(said.find("probe: can't connect"), std::string::npos) << said;

    EXPECT_EQ(stop_server_process(linux_server, SIGTERM), 0);
    stop_server_process(windows, SIGTERM);
    wine_reg({"delete", key, "/f"});
    std::filesystem::remove_all(std::filesystem::path(made.cert).parent_path());
}

// The Windows client refuses what the Linux one refuses (hostile_test.cpp),
// each answer from a canned peer on loopback. The header flood is small
// here: Wine's WinHTTP keeps every header line it reads (Windows stops at the
// cap), so only the client's own count after the headers is tested.
TEST(WindowsRegistryClient, ReadingStaysWithinItsLimits) {
    const char* probe = std::getenv("SKORVIA_WINDOWS_REGISTRY_PROBE");
    if (!probe || !*probe) GTEST_SKIP() << "no Windows build named (SKORVIA_WINDOWS_REGISTRY_PROBE)";
    CannedAnswer compressed;
    compressed.head += "Content-Encoding: gzip\r\nContent-Length: 14\r\n";
    compressed.body = R"({"servers":[]})";
    CannedAnswer endless;  // 8 MiB without a length, past the list's 3 MiB
    endless.head += "Connection: close\r\n";
    endless.filler_bytes = 8u << 20;
    CannedAnswer at_cap;  // exactly 3 MiB: still read (and not a list)
    at_cap.head += "Content-Length: " + std::to_string(3u << 20) + "\r\n";
    at_cap.filler_bytes = 3u << 20;
    CannedAnswer flood;  // 64 kB of header lines, past the 16 kB allowed
    flood.header_flood = 64 * 1024;
    CannedAnswer drip;  // 15 s of a byte every 25 ms: cut off at 5 s
    drip.head += "Content-Length: 600\r\n";
    drip.body = R"({"servers": [)";
    drip.filler_bytes = 600;
    drip.drip_ms = 25;
    CannedAnswer redirect;
    redirect.head = "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/servers\r\nContent-Length: 0\r\n";
    const struct {
        const char* what;
        CannedAnswer answer;
        const char* failure;
    } cases[] = {
        {"a compressed list", compressed, "probe: the answer is compressed"},
        {"8 MiB without a length", endless, "probe: the answer is too large"},
        {"3 MiB of spaces", at_cap, "probe: the answer is not a server list"},
        {"64 kB of header lines", flood, "probe: the answer's headers are too large"},
        {"a list dripped", drip, "probe: no answer in time"},
        {"a redirect", redirect, "probe: the registry answered with an error"},
    };
    for (const auto& c : cases) {
        CannedHttp hostile(c.answer);
        std::string said;
        const auto asked = Clock::now();
        EXPECT_EQ(run_probe(probe, hostile.url(), said), 1) << c.what << ": " << said;
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count();
        EXPECT_NE(said.find(c.failure), std::string::npos) << c.what << ": " << said;
        // 5 s for the exchange, and time for Wine to start the program.
        EXPECT_LT(took, 5000 + 4000) << c.what;
        EXPECT_EQ(hostile.requests(), 1) << c.what << ": no redirect followed, no second try";
        EXPECT_EQ(hostile.last_request().find("Accept-Encoding"), std::string::npos) << hostile.last_request();
        std::printf("the Windows client's reading of %s: \"%s\" after %lld ms (with Wine's start)\n", c.what,
                    said.substr(0, said.find('\n')).c_str(), static_cast<long long>(took));
    }
}

}  // namespace

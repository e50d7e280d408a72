#pragma once
// A hostile HTTP peer on loopback for the tests: a "registry" whose answer
// is canned (a bomb, a flood, a drip), and the raw connections that drip,
// flood or forge their source against the real registry.
#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the canned server sends to every request, in this order.
struct CannedAnswer {
    std::string head = "HTTP/1.1 200 OK\r\n";  // the status line and headers, each ending in "\r\n"
    size_t header_flood = 0;                   // then this many bytes of "X-Filler: aaa...\r\n" lines
    std::string body;                          // after the blank line
    size_t filler_bytes = 0;                   // then this many bytes of `filler`
    char filler = ' ';
    int drip_ms = 0;                           // > 0: everything one byte every drip_ms
};

// Serves `answer` on 127.0.0.1 to one connection after another until it is
// destroyed. Each request is read up to its blank line (and its body, by
// Content-Length) and kept for the test to look at.
class CannedHttp {
public:
    explicit CannedHttp(CannedAnswer answer);
    ~CannedHttp();
    CannedHttp(const CannedHttp&) = delete;
    CannedHttp& operator=(const CannedHttp&) = delete;

    uint16_t port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string last_request() const;
    int requests() const { return requests_.load(); }

private:
    void serve();
    void answer(int fd);

    CannedAnswer answer_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::string last_request_;
    std::thread thread_;
};

// A TCP connection from 127.0.0.`source_last_byte` to 127.0.0.1:`port`,
// non-blocking once made; -1 on failure.
int connect_from(uint8_t source_last_byte, uint16_t port);

// Peak resident memory (VmHWM) of a process in kB, and a reset of it to the
// present (so that the next peak is measured from now); -1 / false when
// the system does not tell.
long peak_resident_kb(pid_t pid);
bool reset_peak_resident(pid_t pid);

// A self-signed certificate for 127.0.0.1 and localhost (by name: Wine's TLS
// checks no address in a certificate) and its key, made by openssl in a new
// folder under /tmp; false when that failed.
struct TestCertificate {
    std::string cert;
    std::string key;
};
bool make_test_certificate(TestCertificate& out);

// A program (args[0], looked up in PATH) run as a child that dies with the
// test; -1 when it could not be started. stop_child ends and reaps it.
pid_t start_child(const std::vector<std::string>& args);
void stop_child(pid_t pid);

// A loopback TCP port that nothing listened on a moment ago.
uint16_t free_port();

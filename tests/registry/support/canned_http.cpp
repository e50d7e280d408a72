#include "support/canned_http.h"

#include "support/child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

namespace {

bool send_all(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = ::send(fd, bytes, length, MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

CannedHttp::CannedHttp(CannedAnswer answer) : answer_(std::move(answer)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener_, 16);
    socklen_t size = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
}

CannedHttp::~CannedHttp() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

std::string CannedHttp::last_request() const {
    std::lock_guard lock(mutex_);
    return last_request_;
}

void CannedHttp::serve() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        timeval wait = {2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        answer(fd);
        ::close(fd);
    }
}

void CannedHttp::answer(int fd) {
    std::string request;
    char buffer[4096];
    size_t head_end = std::string::npos;
    while ((head_end = request.find("\r\n\r\n")) == std::string::npos && request.size() < 65536) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
    }
    if (head_end == std::string::npos) return;
    // The body, by its Content-Length (an announcement is short).
    const size_t length_at = request.find("Content-Length: ");
    const size_t body_length = length_at == std::string::npos ? 0 : std::stoul(request.substr(length_at + 16));
    while (request.size() < head_end + 4 + std::min<size_t>(body_length, 65536)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    {
        std::lock_guard lock(mutex_);
        last_request_ = request;
    }
    ++requests_;

    std::string start = answer_.head;
    std::string flood_line = "X-Filler: " + std::string(1000, 'a') + "\r\n";
    const auto send_piece = [&](const std::string& piece) {
        if (answer_.drip_ms <= 0) return send_all(fd, piece.data(), piece.size());
        for (char c : piece) {
            if (stopping_ || !send_all(fd, &c, 1)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(answer_.drip_ms));
        }
        return true;
    };
    if (!send_piece(start)) return;
    for (size_t sent = 0; sent < answer_.header_flood; sent += flood_line.size()) {
        if (stopping_ || !send_piece(flood_line)) return;
    }
    if (!send_piece("\r\n") || !send_piece(answer_.body)) return;
    const std::string filler(64 * 1024, answer_.filler);
    for (size_t sent = 0; sent < answer_.filler_bytes; sent += filler.size()) {
        const size_t piece = std::min(filler.size(), answer_.filler_bytes - sent);
        if (stopping_ || !send_piece(filler.substr(0, piece))) return;
    }
}

int connect_from(uint8_t source_last_byte, uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7F000000u | source_last_byte);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

long peak_resident_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    }
    return -1;
}

bool reset_peak_resident(pid_t pid) {
    std::ofstream clear("/proc/" + std::to_string(pid) + "/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

bool make_test_certificate(TestCertificate& out) {
    char folder[] = "/tmp/skorvia-tls-XXXXXX";
    if (!::mkdtemp(folder)) return false;
    out.cert = std::string(folder) + "/cert.pem";
    out.key = std::string(folder) + "/key.pem";
    const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost "
                             "-addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout " + out.key + " -out " + out.cert + " 2>/dev/null";
    return std::system(make.c_str()) == 0;
}

pid_t start_child(const std::vector<std::string>& args) {
    // What it says is not needed: it goes nowhere, never to the test's own output.
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet < 0) return -1;
    const pid_t pid = spawn_tied_child(args, quiet);
    ::close(quiet);
    return pid;
}

void stop_child(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

uint16_t free_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

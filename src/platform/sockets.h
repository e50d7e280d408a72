#pragma once
// IPv4 sockets, the same calls on every system: the client's UDP link and
// status query, and the dedicated server's UDP and TCP sockets. Every
// function reports failure by its result; none raises a signal or blocks
// unless it says so. The system's differences (Winsock and its error codes,
// descriptors and SIGPIPE) stay in sockets_posix.cpp and sockets_windows.cpp.
#include <cstddef>
#include <cstdint>

#include "platform/endpoint.h"

// A descriptor or a Winsock SOCKET, whichever the system uses.
using SocketHandle = uintptr_t;
constexpr SocketHandle NO_SOCKET = ~static_cast<SocketHandle>(0);

// Starts the system's socket layer (Winsock 2.2 on Windows, nothing
// elsewhere). Each successful start is paired with one stop_sockets.
bool start_sockets();
void stop_sockets();

enum class SocketKind : uint8_t { Udp, Tcp };

// A new IPv4 socket, blocking, not inherited by child processes; NO_SOCKET
// on failure.
SocketHandle open_socket(SocketKind kind);
// Closes the socket (if any) and forgets it.
void close_socket(SocketHandle& s);

bool set_blocking(SocketHandle s, bool blocking);
// Binds to `local`; address 0 is any address, port 0 lets the system pick.
bool bind_socket(SocketHandle s, Endpoint local);
// A listening socket that a restarted server may bind again at once, while
// old connections on the port still linger; never one that two listeners
// could share.
bool listen_socket(SocketHandle s, int backlog);
bool allow_quick_rebind(SocketHandle s);
// The local address and port; port 0 when unknown.
Endpoint local_endpoint(SocketHandle s);

// A waiting connection of a listening socket, non-blocking, with its peer;
// NO_SOCKET when none is waiting (or on an error).
SocketHandle accept_connection(SocketHandle listener, Endpoint& peer);

enum class ConnectStart : uint8_t { Connected, Pending, Failed };
// Starts connecting a non-blocking TCP socket.
ConnectStart start_connect(SocketHandle s, Endpoint to);
// After the socket became writable: whether the connection was made.
bool connect_succeeded(SocketHandle s);

// What the stream and datagram calls return besides a byte count.
constexpr long SOCKET_WOULD_BLOCK = -2;  // nothing to read, or no room to send
constexpr long SOCKET_ERROR_RESULT = -1;

// One datagram to `to`; the bytes sent or a negative result.
long send_datagram_to(SocketHandle s, const uint8_t* bytes, size_t length, Endpoint to);
// One datagram and its sender; a negative result when none is waiting or on
// an error (a datagram from anything but IPv4 counts as an error).
long receive_datagram_from(SocketHandle s, uint8_t* buffer, size_t capacity, Endpoint& from);
// Stream data: bytes sent or received, 0 when the peer closed (receiving),
// or a negative result. A peer that went away never raises a signal.
long send_bytes(SocketHandle s, const void* bytes, size_t length);
long receive_bytes(SocketHandle s, void* buffer, size_t capacity);

// Waiting for several sockets at once.
enum : uint8_t {
    SOCKET_READABLE = 1,
    SOCKET_WRITABLE = 2,
    SOCKET_FAILED = 4,  // an error or a hang-up is pending
};
struct SocketWait {
    SocketHandle socket = NO_SOCKET;
    uint8_t wanted = 0;  // SOCKET_READABLE and/or SOCKET_WRITABLE
    uint8_t ready = 0;   // filled in by wait_sockets
};
// Most sockets one wait looks at; Windows' select looks at its FD_SETSIZE,
// 64. Beyond that a list is cut short.
constexpr size_t MAX_SOCKET_WAITS = 256;
// Waits up to `timeout_ns` until one of the sockets is ready, and fills in
// each `ready`. Returns how many are ready, 0 after the timeout, -1 on an
// error. An interrupting signal ends the wait early (the caller looks at the
// time and its flags again); after install_stop_handlers (platform/stop.h) a
// stop request does too, where the system delivers it as a signal.
int wait_sockets(SocketWait* waits, size_t count, int64_t timeout_ns);

// The last socket error of this thread, whether it says the port is taken,
// and its text for a log line.
int last_socket_error();
bool is_address_in_use(int error);
void socket_error_text(int error, char* out, size_t capacity);

// Resolves a host name to an IPv4 address (host byte order) with the
// system's resolver, blocking. Null on success, else the failure's name
// ("UnknownHostName", "TemporaryNameServerFailure", "NameServerFailure",
// "OutOfMemory", "NetworkSubsystemFailed").
const char* resolve_ipv4(const char* host, uint32_t& address);

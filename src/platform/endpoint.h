#pragma once
// Where a datagram comes from or goes to: an IPv4 address and a port, both in
// host byte order (127.0.0.1 is 0x7F000001). The sockets speak it; the server
// session keys its player slots on it.
#include <cstdint>

struct Endpoint {
    uint32_t address = 0;
    uint16_t port = 0;
};

constexpr bool operator==(Endpoint a, Endpoint b) { return a.address == b.address && a.port == b.port; }

constexpr Endpoint make_endpoint(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port) {
    return {static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(b) << 16 | static_cast<uint32_t>(c) << 8 | d, port};
}

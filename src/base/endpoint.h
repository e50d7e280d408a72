#pragma once
// Where a datagram comes from or goes to: the sockets' IPv4 endpoint, and the
// one fixed endpoint of the in-process link.
#include <cstdint>
#include <string_view>

#include "platform/endpoint.h"

// The address the in-process link gives its one client.
constexpr Endpoint IN_PROCESS_CLIENT = {0x7F000001u, 1};

// A dotted-quad IPv4 literal: four decimal parts 0..255 without leading
// zeros. False for anything else.
bool parse_ipv4_literal(std::string_view host, uint32_t& address);

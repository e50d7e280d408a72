#pragma once
// Where a datagram comes from or goes to: the sockets' IPv4 endpoint, and the
// one fixed endpoint of the in-process link.
#include "platform/endpoint.h"

// The address the in-process link gives its one client.
constexpr Endpoint IN_PROCESS_CLIENT = {0x7F000001u, 1};


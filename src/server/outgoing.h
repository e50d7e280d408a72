#pragma once
// Datagrams the server has built and not yet handed to the network (or to
// the in-process client): a ring of eight, each with its destination. A full
// queue drops the new datagram; the oldest stay.
#include <cstddef>
#include <cstdint>

#include "base/endpoint.h"
#include "net/wire.h"

constexpr size_t OUTGOING_CAPACITY = 8;

struct OutgoingDatagram {
    Endpoint to;
    uint32_t length = 0;
    uint8_t bytes[MAX_DATAGRAM];
};

struct OutgoingQueue {
    OutgoingDatagram entries[OUTGOING_CAPACITY];
    uint8_t head = 0;
    uint8_t count = 0;
};

// The entry the next datagram will be built in, or null when the queue is
// full. Building in place saves a copy; nothing is queued until commit.
OutgoingDatagram* reserve_outgoing(OutgoingQueue& q);
// Queues the reserved entry with its length and destination.
void commit_outgoing(OutgoingQueue& q, Endpoint to, size_t length);

// Copies a datagram in; returns false (and drops it) when the queue is full
// or the datagram is larger than an entry.
bool push_outgoing(OutgoingQueue& q, Endpoint to, const uint8_t* bytes, size_t length);

// Removes the oldest datagram and returns it, or null when the queue is
// empty. The entry stays readable until the next datagram is queued.
const OutgoingDatagram* pop_outgoing(OutgoingQueue& q);

#include "server/outgoing.h"

#include <cstring>

OutgoingDatagram* reserve_outgoing(OutgoingQueue& q) {
    if (q.count >= OUTGOING_CAPACITY) return nullptr;
    return &q.entries[(q.head + q.count) % OUTGOING_CAPACITY];
}

void commit_outgoing(OutgoingQueue& q, Endpoint to, size_t length) {
    OutgoingDatagram* d = reserve_outgoing(q);
    if (!d || length > MAX_DATAGRAM) return;
    d->to = to;
    d->length = static_cast<uint32_t>(length);
    ++q.count;
}

bool push_outgoing(OutgoingQueue& q, Endpoint to, const uint8_t* bytes, size_t length) {
    OutgoingDatagram* d = reserve_outgoing(q);
    if (!d || length > MAX_DATAGRAM) return false;
    std::memcpy(d->bytes, bytes, length);
    commit_outgoing(q, to, length);
    return true;
}

const OutgoingDatagram* pop_outgoing(OutgoingQueue& q) {
    if (q.count == 0) return nullptr;
    const OutgoingDatagram* d = &q.entries[q.head];
    q.head = static_cast<uint8_t>((q.head + 1) % OUTGOING_CAPACITY);
    --q.count;
    return d;
}

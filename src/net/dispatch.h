#pragma once
// One call per received datagram on each side: check the header, keep only the
// tags this side acts on, decode the message. Anything malformed, of another
// protocol version or meant for the other side is dropped (false).
#include <cstddef>
#include <cstdint>

#include "net/messages.h"
#include "net/snapshot.h"
#include "world/world.h"

// A message for the client. Which member holds it depends on `tag`
// (TAG_WELCOME, TAG_SERVER_FULL, TAG_SNAPSHOT, TAG_CHAT_RELAY).
struct ClientMessage {
    uint8_t tag = 0;
    Welcome welcome;
    SnapshotInfo snapshot;  // the world itself is in the caller's scratch image
    ChatRelay chat_relay;   // its text points into the datagram
};

// A message for the server. Which member holds it depends on `tag`
// (TAG_JOIN_REQUEST, TAG_INPUT_BATCH, TAG_LEAVE, TAG_CHAT_SEND).
struct ServerMessage {
    uint8_t tag = 0;
    InputBatch input_batch;
    ChatSend chat_send;  // its text points into the datagram
};

// True when the datagram is a complete client-bound message. For a snapshot,
// `scratch` then holds the decoded world; whatever the result, `scratch` may
// have been written, so it must never be the world in use.
bool decode_client_message(const uint8_t* data, size_t size, const SnapshotGate& gate, World& scratch,
                           ClientMessage& out);

// True when the datagram is a complete server-bound message.
bool decode_server_message(const uint8_t* data, size_t size, ServerMessage& out);

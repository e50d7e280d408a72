#pragma once
// One call per received datagram on each side: check the header, keep only the
// tags this side acts on, decode the message. Anything malformed, of another
// protocol version or meant for the other side is dropped (false).
#include <cstddef>
#include <cstdint>

#include "net/handshake.h"
#include "net/messages.h"
#include "net/snapshot.h"
#include "net/ticks.h"
#include "world/world.h"

// A message for the client. Which member holds it depends on `tag`
// (TAG_WELCOME, TAG_SERVER_FULL, TAG_SNAPSHOT, TAG_CHAT_RELAY, and in
// protocol 21 TAG_TICK_RUN and TAG_CHALLENGE; there TAG_SNAPSHOT is the
// WorldImage).
struct ClientMessage {
    uint8_t version = 0;
    uint8_t tag = 0;
    Welcome welcome;
    SnapshotInfo snapshot;  // the world itself is in the caller's scratch image
    ImageExtras image;      // v21 WorldImage
    ChatRelay chat_relay;   // its text points into the datagram
    TickRun tick_run;
    JoinCookie challenge;  // v21 Challenge
};

// A message for the server. Which member holds it depends on `tag`
// (TAG_JOIN_REQUEST, TAG_INPUT_BATCH, TAG_LEAVE, TAG_CHAT_SEND). A v21
// InputBatch also fills `report`, a v21 JoinRequest `cookie`.
struct ServerMessage {
    uint8_t version = 0;
    uint8_t tag = 0;
    InputBatch input_batch;
    WorldReport report;
    ChatSend chat_send;  // its text points into the datagram
    JoinCookie cookie;   // v21 JoinRequest
};

// True when the datagram is a complete client-bound message of protocol
// `version` (a datagram of the other version is dropped). For a snapshot
// or world image, `scratch` then holds the decoded world; whatever the
// result, `scratch` may have been written, so it must never be the world in use.
bool decode_client_message(const uint8_t* data, size_t size, uint8_t version, const SnapshotGate& gate,
                           World& scratch, ClientMessage& out);

// True when the datagram is a complete server-bound message of either version.
bool decode_server_message(const uint8_t* data, size_t size, ServerMessage& out);

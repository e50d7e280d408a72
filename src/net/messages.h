#pragma once
// The game protocol's messages other than the snapshot (net/snapshot.h): tags,
// the per-tick input byte, and an encoder and a decoder for each message.
//
// Encoders start the datagram at offset 0 of the writer. Decoders take a reader
// placed just after the header (offset 4) and return WireError::None only for a
// complete message; on an error the output holds nothing usable.
#include <cstdint>
#include <span>
#include <string_view>

#include "net/wire.h"
#include "world/plane_input.h"
#include "world/world.h"

enum MessageTag : uint8_t {
    TAG_JOIN_REQUEST = 1,  // client to server, header only
    TAG_WELCOME = 2,       // server to client
    TAG_SERVER_FULL = 3,   // server to client, header only
    TAG_INPUT_BATCH = 4,   // client to server
    TAG_SNAPSHOT = 5,      // server to client
    TAG_LEAVE = 6,         // client to server, header only
    TAG_CHAT_SEND = 7,     // client to server
    TAG_CHAT_RELAY = 8,    // server to client
};

// Tags each side acts on; anything else is dropped.
constexpr bool is_client_tag(uint8_t tag) {
    return tag == TAG_WELCOME || tag == TAG_SERVER_FULL || tag == TAG_SNAPSHOT || tag == TAG_CHAT_RELAY;
}
constexpr bool is_server_tag(uint8_t tag) {
    return tag == TAG_JOIN_REQUEST || tag == TAG_INPUT_BATCH || tag == TAG_LEAVE || tag == TAG_CHAT_SEND;
}

// Most inputs one InputBatch carries.
constexpr int MAX_BATCH_INPUTS = 16;
// No-sender value of ChatRelay::sender.
constexpr uint8_t CHAT_NO_SENDER = 255;

// One tick of a player's controls (the world's PlaneInput). On the wire:
// bits 0..4 are the five keys, bits 5..7 the shop item to buy on this tick
// (0 none, 1..7).
using InputByte = PlaneInput;

uint8_t pack_input(const InputByte& in);
InputByte unpack_input(uint8_t bits);

struct Welcome {
    uint8_t slot = 0;  // 0..7
};

// Inputs numbered first_input(b) .. first_input(b) + present - 1, oldest first.
// `count` is the number the sender announced; fewer may be present when the
// datagram ends early.
struct InputBatch {
    uint32_t newest = 0;
    uint8_t count = 0;
    uint8_t present = 0;
    InputByte inputs[MAX_BATCH_INPUTS] = {};
};
inline uint32_t first_input(const InputBatch& b) { return b.newest - b.count + 1; }

// Texts are views into the received datagram.
struct ChatSend {
    uint32_t sequence = 0;
    std::string_view text;
};

struct ChatRelay {
    uint32_t serial = 0;
    uint8_t sender = CHAT_NO_SENDER;  // 0..7, or 255 for a line without a player sender
    uint32_t sequence = 0;
    std::string_view text;
};

void encode_join_request(WireWriter& w);
void encode_server_full(WireWriter& w);
void encode_leave(WireWriter& w);
void encode_welcome(WireWriter& w, uint8_t slot);
// `packed` holds up to 16 packed input bytes, oldest first; the last is `newest`.
void encode_input_batch(WireWriter& w, uint32_t newest, std::span<const uint8_t> packed);
// Texts longer than MAX_TEXT bytes are cut at a character boundary.
void encode_chat_send(WireWriter& w, uint32_t sequence, std::string_view text);
void encode_chat_relay(WireWriter& w, uint32_t serial, uint8_t sender, uint32_t sequence, std::string_view text);

WireError decode_welcome(WireReader& r, Welcome& out);
// The input bytes of a batch whose count is read: as many as the datagram
// holds, up to the count.
void read_batch_inputs(WireReader& r, InputBatch& out);
WireError decode_input_batch(WireReader& r, InputBatch& out);
WireError decode_chat_send(WireReader& r, ChatSend& out);
WireError decode_chat_relay(WireReader& r, ChatRelay& out);

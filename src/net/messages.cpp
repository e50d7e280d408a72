#include "net/messages.h"

#include <algorithm>

uint8_t pack_input(const InputByte& in) {
    return static_cast<uint8_t>((in.turn_left ? 0x01 : 0) | (in.turn_right ? 0x02 : 0) | (in.thrust ? 0x04 : 0) |
                                (in.fire ? 0x08 : 0) | (in.hook_key ? 0x10 : 0) | ((in.buy_item & 0x07) << 5));
}

InputByte unpack_input(uint8_t bits) {
    InputByte in;
    in.turn_left = (bits & 0x01) != 0;
    in.turn_right = (bits & 0x02) != 0;
    in.thrust = (bits & 0x04) != 0;
    in.fire = (bits & 0x08) != 0;
    in.hook_key = (bits & 0x10) != 0;
    in.buy_item = static_cast<uint8_t>(bits >> 5);
    return in;
}

void encode_join_request(WireWriter& w) { put_header(w, TAG_JOIN_REQUEST); }
void encode_server_full(WireWriter& w) { put_header(w, TAG_SERVER_FULL); }
void encode_leave(WireWriter& w) { put_header(w, TAG_LEAVE); }

void encode_welcome(WireWriter& w, uint8_t slot) {
    put_header(w, TAG_WELCOME);
    put_uint8(w, slot);
}

void encode_input_batch(WireWriter& w, uint32_t newest, std::span<const uint8_t> packed) {
    // Only the newest 16 fit a batch; older ones are never resent.
    const size_t n = std::min(packed.size(), static_cast<size_t>(MAX_BATCH_INPUTS));
    packed = packed.last(n);
    put_header(w, TAG_INPUT_BATCH);
    put_uint32(w, newest);
    put_uint8(w, static_cast<uint8_t>(n));
    for (uint8_t b : packed) put_uint8(w, b);
}

void encode_chat_send(WireWriter& w, uint32_t sequence, std::string_view text) {
    put_header(w, TAG_CHAT_SEND);
    put_uint32(w, sequence);
    put_text(w, text);
}

void encode_chat_relay(WireWriter& w, uint32_t serial, uint8_t sender, uint32_t sequence, std::string_view text) {
    put_header(w, TAG_CHAT_RELAY);
    put_uint32(w, serial);
    put_uint8(w, sender);
    put_uint32(w, sequence);
    put_text(w, text);
}

WireError decode_welcome(WireReader& r, Welcome& out) {
    out.slot = read_uint8(r);
    wire_check(r, is_slot(out.slot));
    return r.error;
}

WireError decode_input_batch(WireReader& r, InputBatch& out) {
    out.newest = read_uint32(r);
    out.count = read_uint8(r);
    // An empty batch is ignored, and a batch may not reach below input number 1.
    wire_check(r, out.count >= 1 && out.count <= MAX_BATCH_INPUTS && out.count <= out.newest);
    out.present = 0;
    if (!wire_ok(r)) return r.error;
    read_batch_inputs(r, out);
    return r.error;
}

void read_batch_inputs(WireReader& r, InputBatch& out) {
    // Inputs missing at the end of the datagram are simply not carried.
    out.present = 0;
    while (out.present < out.count && wire_remaining(r) > 0) {
        out.inputs[out.present] = unpack_input(read_uint8(r));
        ++out.present;
    }
}

WireError decode_chat_send(WireReader& r, ChatSend& out) {
    out.sequence = read_uint32(r);
    out.text = read_text(r);
    return r.error;
}

WireError decode_chat_relay(WireReader& r, ChatRelay& out) {
    out.serial = read_uint32(r);
    out.sender = read_uint8(r);
    wire_check(r, is_slot(out.sender) || out.sender == CHAT_NO_SENDER);
    out.sequence = read_uint32(r);
    out.text = read_text(r);
    return r.error;
}

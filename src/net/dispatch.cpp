#include "net/dispatch.h"

bool decode_client_message(const uint8_t* data, size_t size, uint8_t version, const SnapshotGate& gate,
                           World& scratch, ClientMessage& out) {
    MessageHeader header;
    if (!read_header(data, size, header) || header.version != version) return false;
    const bool v21 = version == PROTOCOL_VERSION_21;
    const bool v21_tag = header.tag == TAG_TICK_RUN || header.tag == TAG_CHALLENGE;
    if (!is_client_tag(header.tag) && !(v21 && v21_tag)) return false;
    out.version = header.version;
    out.tag = header.tag;
    WireReader r = make_reader(data, size, HEADER_SIZE);
    switch (header.tag) {
        case TAG_WELCOME: return decode_welcome(r, out.welcome) == WireError::None;
        case TAG_SERVER_FULL: return true;
        case TAG_SNAPSHOT:
            if (v21) return decode_world_image(r, gate, scratch, out.snapshot, out.image) == WireError::None;
            return decode_snapshot(r, gate, scratch, out.snapshot) == WireError::None;
        case TAG_CHAT_RELAY: return decode_chat_relay(r, out.chat_relay) == WireError::None;
        case TAG_TICK_RUN: return decode_tick_run(r, out.tick_run) == WireError::None;
        case TAG_CHALLENGE: return decode_challenge(r, out.challenge) == WireError::None;
        default: return false;
    }
}

bool decode_server_message(const uint8_t* data, size_t size, ServerMessage& out) {
    MessageHeader header;
    if (!read_header(data, size, header) || !is_server_tag(header.tag)) return false;
    out.version = header.version;
    out.tag = header.tag;
    WireReader r = make_reader(data, size, HEADER_SIZE);
    switch (header.tag) {
        case TAG_JOIN_REQUEST:
            if (header.version == PROTOCOL_VERSION_21) return decode_join_request_21(r, out.cookie) == WireError::None;
            return true;
        case TAG_LEAVE: return true;
        case TAG_INPUT_BATCH:
            if (header.version == PROTOCOL_VERSION_21) {
                return decode_input_batch_21(r, out.input_batch, out.report) == WireError::None;
            }
            out.report = WorldReport{};
            return decode_input_batch(r, out.input_batch) == WireError::None;
        case TAG_CHAT_SEND: return decode_chat_send(r, out.chat_send) == WireError::None;
        default: return false;
    }
}

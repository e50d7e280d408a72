#include "net/dispatch.h"

bool decode_client_message(const uint8_t* data, size_t size, const SnapshotGate& gate, World& scratch,
                           ClientMessage& out) {
    MessageHeader header;
    if (!read_header(data, size, header) || !is_client_tag(header.tag)) return false;
    out.tag = header.tag;
    WireReader r = make_reader(data, size, HEADER_SIZE);
    switch (header.tag) {
        case TAG_WELCOME: return decode_welcome(r, out.welcome) == WireError::None;
        case TAG_SERVER_FULL: return true;
        case TAG_SNAPSHOT: return decode_snapshot(r, gate, scratch, out.snapshot) == WireError::None;
        case TAG_CHAT_RELAY: return decode_chat_relay(r, out.chat_relay) == WireError::None;
        default: return false;
    }
}

bool decode_server_message(const uint8_t* data, size_t size, ServerMessage& out) {
    MessageHeader header;
    if (!read_header(data, size, header) || !is_server_tag(header.tag)) return false;
    out.tag = header.tag;
    WireReader r = make_reader(data, size, HEADER_SIZE);
    switch (header.tag) {
        case TAG_JOIN_REQUEST:
        case TAG_LEAVE: return true;
        case TAG_INPUT_BATCH: return decode_input_batch(r, out.input_batch) == WireError::None;
        case TAG_CHAT_SEND: return decode_chat_send(r, out.chat_send) == WireError::None;
        default: return false;
    }
}

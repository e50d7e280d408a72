// Datagrams a server receives: the header check and the four client messages
// (join request, input batch, leave, chat send).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/dispatch.h"

namespace {

uint8_t datagram[MAX_DATAGRAM + HEADER_SIZE];
uint8_t reencoded[MAX_DATAGRAM];

void check(const uint8_t* data, size_t size) {
    ServerMessage m;
    if (!decode_server_message(data, size, m)) return;
    if (!is_server_tag(m.tag)) std::abort();
    WireWriter w{reencoded};
    if (m.tag == TAG_INPUT_BATCH) {
        // Protocol 21 allows an empty batch and puts the inputs after its report.
        const bool v21 = m.version == PROTOCOL_VERSION_21;
        const InputBatch& b = m.input_batch;
        if ((!v21 && b.count < 1) || b.count > MAX_BATCH_INPUTS || b.count > b.newest || b.present > b.count) std::abort();
        if (b.count > 0 && first_input(b) < 1) std::abort();
        // The inputs that came read back the same.
        uint8_t packed[MAX_BATCH_INPUTS];
        for (int i = 0; i < b.present; ++i) packed[i] = pack_input(b.inputs[i]);
        if (b.present > 0 && std::memcmp(packed, data + (v21 ? 14 : 9), b.present) != 0) std::abort();
    }
    if (m.tag == TAG_CHAT_SEND) {
        const ChatSend& c = m.chat_send;
        if (c.text.size() < 1 || c.text.size() > MAX_TEXT || !is_valid_text(c.text)) std::abort();
        const char* begin = reinterpret_cast<const char*>(data);
        if (c.text.data() < begin || c.text.data() + c.text.size() > begin + size) std::abort();
        encode_chat_send(w, c.sequence, c.text);
        reencoded[2] = m.version;  // a chat line reads the same in both protocol versions
        if (w.length > size || std::memcmp(reencoded, data, w.length) != 0) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check(data, size);
    // Most inputs as a body behind a valid header, the tag picked by byte 0.
    if (size == 0 || size - 1 > MAX_DATAGRAM) return 0;
    static constexpr uint8_t tags[] = {TAG_JOIN_REQUEST, TAG_INPUT_BATCH, TAG_LEAVE, TAG_CHAT_SEND, TAG_WELCOME};
    datagram[0] = WIRE_MAGIC_0;
    datagram[1] = WIRE_MAGIC_1;
    datagram[2] = PROTOCOL_VERSION;
    datagram[3] = tags[data[0] % sizeof tags];
    std::memcpy(datagram + HEADER_SIZE, data + 1, size - 1);
    check(datagram, HEADER_SIZE + size - 1);
    return 0;
}

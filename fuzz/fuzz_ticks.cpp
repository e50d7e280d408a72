// Protocol 21's messages: a TickRun, a WorldImage and a v21 InputBatch are
// decoded from anything; what is taken encodes back to an equal message.
// Then a joined v21 client that holds a world is fed the datagram: it takes
// it or drops it, steps its confirmed world with what it took, rebuilds its
// prediction and ticks, without crashing or reading outside its arrays.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "client/session.h"
#include "net/dispatch.h"
#include "net/ticks.h"
#include "world/generate.h"

namespace {

uint8_t datagram[MAX_DATAGRAM + HEADER_SIZE];
uint8_t reencoded[MAX_DATAGRAM];
World scratch;
TickRun again;
Session session;

void check_run(const TickRun& run) {
    if (run.count < 1 || run.count > RUN_TICKS_MAX || run.edit_count > RUN_EDITS_MAX) std::abort();
    for (int i = 0; i < run.edit_count; ++i) {
        const WorldEdit& e = run.edits[i];
        if (e.record >= run.count || (i > 0 && e.record < run.edits[i - 1].record)) std::abort();
        if (e.kind < EDIT_SPAWN || e.kind > EDIT_SPAWN_BOT || !is_slot(e.slot)) std::abort();
    }
    if (run.has_hash && run.hash_record >= run.count) std::abort();
    WireWriter w({reencoded}, PROTOCOL_VERSION_21);
    encode_tick_run(w, run);
    WireReader r = make_reader(reencoded, w.length, HEADER_SIZE);
    if (decode_tick_run(r, again) != WireError::None) std::abort();
    if (again.first_tick != run.first_tick || again.count != run.count || again.own_input != run.own_input ||
        again.edit_count != run.edit_count || again.has_hash != run.has_hash || again.hash != run.hash ||
        std::memcmp(again.inputs, run.inputs, sizeof run.inputs[0] * run.count) != 0) {
        std::abort();
    }
}

void check_messages(const uint8_t* data, size_t size) {
    ClientMessage m;
    const SnapshotGate open{0, 0xFFFFFFFFu, true};
    if (decode_client_message(data, size, PROTOCOL_VERSION_21, open, scratch, m)) {
        if (m.version != PROTOCOL_VERSION_21) std::abort();
        if (m.tag == TAG_TICK_RUN) check_run(m.tick_run);
        if (m.tag == TAG_SNAPSHOT && m.image.edits_included > TICK_EDITS_MAX) std::abort();
        if (m.tag == TAG_SNAPSHOT) {
            for (int s = 0; s < MAX_PLANES; ++s) {
                if ((m.image.bot_mask >> s & 1u) && !scratch.planes[s].in_use) std::abort();
            }
        }
    }
    ServerMessage s;
    if (decode_server_message(data, size, s) && s.version == PROTOCOL_VERSION_21 && s.tag == TAG_INPUT_BATCH) {
        const InputBatch& b = s.input_batch;
        if (b.count > MAX_BATCH_INPUTS || b.count > b.newest || b.present > b.count) std::abort();
        uint8_t packed[MAX_BATCH_INPUTS];
        for (int i = 0; i < b.present; ++i) packed[i] = pack_input(b.inputs[i]);
        if (b.present > 0 && std::memcmp(packed, data + 14, b.present) != 0) std::abort();
    }
}

// A joined v21 client at confirmed tick 100 of the plain generated world
// with two planes in it.
void prepare(uint8_t own_slot) {
    ClientSession& c = session.client;
    reset_client_session(c);
    choose_protocol(c, PROTOCOL_VERSION_21, true);
    session.active = true;
    session.tutorial = false;
    session.notifications = NotificationList{};
    c.state = ConnectionState::Joined;
    c.own_slot = own_slot % MAX_PLANES;
    generate_world(c.confirmed);
    spawn_plane(c.confirmed, static_cast<uint8_t>(c.own_slot));
    spawn_plane(c.confirmed, static_cast<uint8_t>((c.own_slot + 3) % MAX_PLANES));
    c.holds_world = true;
    c.confirmed_tick = 100;
    c.next_input = 21;
    for (uint32_t n = 1; n <= 20; ++n) c.history[n] = {n % 3 == 0, false, n % 2 == 0, n % 5 == 0, n % 7 < 2, 0};
}

void feed(const uint8_t* bytes, size_t size) {
    handle_datagram(session.client, bytes, size);
    adopt_snapshot(session.client);
    Vec2 camera{};
    for (int i = 0; i < 2; ++i) session_tick(session, {true, false, true, true, i == 1}, camera);
    announce(session);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check_messages(data, size);
    if (size == 0 || size - 1 > MAX_DATAGRAM) return 0;
    // Most inputs as a body behind a valid v21 header, the tag picked by
    // byte 0; a run's first tick is moved next to the client's.
    static constexpr uint8_t tags[] = {TAG_TICK_RUN, TAG_TICK_RUN, TAG_SNAPSHOT, TAG_INPUT_BATCH, TAG_WELCOME};
    datagram[0] = WIRE_MAGIC_0;
    datagram[1] = WIRE_MAGIC_1;
    datagram[2] = PROTOCOL_VERSION_21;
    datagram[3] = tags[data[0] % sizeof tags];
    std::memcpy(datagram + HEADER_SIZE, data + 1, size - 1);
    const size_t length = HEADER_SIZE + size - 1;
    if (datagram[3] == TAG_TICK_RUN && length >= 8) {
        const uint32_t first = 96u + (data[0] >> 5);
        std::memcpy(datagram + 4, &first, 4);
    }
    check_messages(datagram, length);
    prepare(data[0] >> 3);
    feed(datagram, length);
    return 0;
}

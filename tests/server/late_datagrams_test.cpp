// What the server makes of repeated, reordered, late and forged datagrams:
// a player's inputs, purchases and chat lines count once, a client that
// started over plays again at once, and forged joins cost the server next to
// nothing. Each scenario is a sequence of datagrams and ticks as the server
// receives them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/messages.h"
#include "net/snapshot.h"
#include "server/server_session.h"
#include "world/generate.h"

namespace {

constexpr Endpoint PLAYER = make_endpoint(10, 0, 0, 1, 5000);

// The client's input under number q of its numbering n (0: before it
// started over, 1: after). `fire` tells the two numberings apart; input 3 of
// either numbering buys a shield. No thrust: the plane stays clear of harm,
// so every purchase it asks for goes through.
InputByte input(int numbering, uint32_t q) {
    InputByte in;
    in.turn_left = q % 3 == 0;
    in.turn_right = q % 5 == 0;
    in.fire = numbering == 1;
    in.buy_item = q == 3 ? ITEM_SHIELD : ITEM_NONE;
    return in;
}

uint8_t flags_of(const InputByte& in) {
    return static_cast<uint8_t>(in.turn_left | in.turn_right << 1 | in.thrust << 2 | in.fire << 3 | in.hook_key << 4);
}
uint8_t flags_of(const Plane& p) { return flags_of(plane_input(p)); }

// One thing that reaches the server.
struct Step {
    enum Kind { Join, Batch, Chat, Ticks } kind;
    uint32_t number = 0;  // Batch: newest input; Chat: sequence; Ticks: how many
    uint8_t count = 0;    // Batch: inputs carried
    int numbering = 0;    // Batch: whose inputs
    std::string text;     // Chat
};
using Steps = std::vector<Step>;

Step join() { return {Step::Join, 0, 0, 0, {}}; }
Step batch(int numbering, uint32_t newest, uint8_t count) { return {Step::Batch, newest, count, numbering, {}}; }
Step chat(uint32_t sequence, std::string text) { return {Step::Chat, sequence, 0, 0, std::move(text)}; }
Step ticks(uint32_t n) { return {Step::Ticks, n, 0, 0, {}}; }

// A client playing numbers from..to, one batch and one server tick each. Its
// batches repeat up to 16 inputs, as when snapshots are slow to acknowledge.
Steps play(int numbering, uint32_t from, uint32_t to) {
    Steps out;
    for (uint32_t q = from; q <= to; ++q) {
        out.push_back(batch(numbering, q, static_cast<uint8_t>(std::min<uint32_t>(q, 16))));
        out.push_back(ticks(1));
    }
    return out;
}

Steps operator+(Steps a, const Steps& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Steps operator+(Steps a, const Step& b) {
    a.push_back(b);
    return a;
}

// An input the server applied: its number and the numbering its flags
// belong to (-1 when they match neither).
struct Applied {
    uint64_t tick;
    uint32_t number;
    int numbering;
};

struct Played {
    const ServerSession* session = nullptr;
    std::vector<Applied> applied;
    uint32_t previous = 0;  // last applied after the previous tick
    int purchases = 0;
    std::vector<std::string> log;
    std::vector<uint32_t> relay_serials;  // new lines and resends reaching the player
    std::vector<uint64_t> welcome_ticks;
};

Played* current = nullptr;

void record_log(LogLevel, std::string_view line) { current->log.emplace_back(line); }

void watch_tick(ServerSession& s) {
    Played& run = *current;
    const PlayerSlot& slot = s.slots[0];
    for (uint64_t i = 0; i < s.world.event_count; ++i) run.purchases += s.world.events[i].kind == EVENT_PURCHASE;
    const uint32_t q = slot.last_applied;
    if (q == run.previous) return;
    run.previous = q;
    if (q == 0) return;
    const uint8_t flags = flags_of(s.world.planes[0]);
    const int numbering = flags == flags_of(input(0, q)) ? 0 : flags == flags_of(input(1, q)) ? 1 : -1;
    run.applied.push_back({s.tick, q, numbering});
}

void collect(void* context, const uint8_t* bytes, size_t length, Endpoint) {
    Played& run = *static_cast<Played*>(context);
    if (length >= 5 && bytes[3] == TAG_WELCOME) run.welcome_ticks.push_back(run.session->tick);
    if (length >= 8 && bytes[3] == TAG_CHAT_RELAY) {
        WireReader r = make_reader(bytes, length, HEADER_SIZE);
        ChatRelay m;
        if (decode_chat_relay(r, m) == WireError::None) run.relay_serials.push_back(m.serial);
    }
}

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};

// Plays `steps` from one player on a fresh session whose plane has 100 of a
// resource to spend.
Played replay(const Steps& steps) {
    Played run;
    current = &run;
    World w;
    generate_world(w);
    std::unique_ptr<ServerSession, SessionDeleter> s(create_session(w));
    run.session = s.get();
    s->log_sink = record_log;
    s->after_tick = watch_tick;
    s->send_now = collect;
    s->send_context = &run;
    uint8_t buffer[MAX_DATAGRAM];
    for (const Step& step : steps) {
        WireWriter out(buffer);
        switch (step.kind) {
        case Step::Join: encode_join_request(out); break;
        case Step::Chat: encode_chat_send(out, step.number, step.text); break;
        case Step::Batch: {
            uint8_t packed[16];
            for (uint8_t i = 0; i < step.count; ++i) packed[i] = pack_input(input(step.numbering, step.number - step.count + 1 + i));
            encode_input_batch(out, step.number, {packed, step.count});
            break;
        }
        case Step::Ticks:
            for (uint32_t i = 0; i < step.number; ++i) server_tick(*s);
            continue;
        }
        const bool was_in = s->slots[0].in_use;
        receive(*s, buffer, out.length, PLAYER);
        if (!was_in && s->slots[0].in_use) s->world.planes[0].resources[0] = 100;
    }
    current = nullptr;
    return run;
}

// No input applied twice: within each numbering the applied numbers only
// grow, and the numbering never goes back from 1 to 0.
void expect_each_input_once(const Played& run) {
    int numbering = 0;
    uint32_t last = 0;
    for (const Applied& a : run.applied) {
        ASSERT_GE(a.numbering, 0) << "input " << a.number << " at tick " << a.tick << " has flags of neither numbering";
        ASSERT_GE(a.numbering, numbering) << "input " << a.number << " of the old numbering after the new one";
        if (a.numbering > numbering) last = 0;
        numbering = a.numbering;
        ASSERT_GT(a.number, last) << "input " << a.number << " applied again at tick " << a.tick;
        last = a.number;
    }
}

uint32_t last_applied(const Played& run, int numbering) {
    for (auto it = run.applied.rbegin(); it != run.applied.rend(); ++it) {
        if (it->numbering == numbering) return it->number;
    }
    return 0;
}

// ---- one numbering: late and repeated datagrams change nothing -------------

TEST(LateDatagrams, RepeatedOrLateDatagramsOfOneNumberingCountOnce) {
    const Steps opening = Steps{join()} + play(0, 1, 5);
    const struct {
        const char* name;
        Steps steps;
        uint32_t last;
    } cases[] = {
        // The review's case: the late JoinRequest used to wind the slot back
        // and 1..5 were applied again, the shield paid twice.
        {"late join, then a batch repeating 1..6", opening + join() + batch(0, 6, 6) + ticks(5), 6},
        {"the join repeated three times between batches", opening + join() + batch(0, 6, 6) + ticks(1) + join() + join() + play(0, 7, 8), 8},
        {"a late batch 1..3 after a late join", opening + join() + batch(0, 3, 3) + play(0, 6, 7), 7},
        {"batches reordered and repeated", Steps{join()} + batch(0, 2, 2) + batch(0, 1, 1) + ticks(1) + batch(0, 2, 2) + batch(0, 4, 4) + batch(0, 3, 3) + ticks(6), 4},
        // A join and an opening batch both 2.5 s late, but the client is
        // still playing on in its numbering: the old batch carries no number
        // that is not applied already.
        {"late join after a long game, without an input 1", Steps{join()} + play(0, 1, 400) + join() + batch(0, 401, 16) + ticks(2), 401},
        // A late join long after the start opens a restart, but a batch
        // carrying input 1 that comes more than a second later is just late.
        {"late join after a long game, a late opening batch a second later", Steps{join()} + play(0, 1, 400) + join() + play(0, 401, 530) + batch(0, 5, 5) + ticks(2), 530},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Played run = replay(c.steps);
        expect_each_input_once(run);
        EXPECT_EQ(run.purchases, 1);
        EXPECT_EQ(last_applied(run, 0), c.last);
    }
}

// ---- a client that started over --------------------------------------------

// The client's silence reset: it played 1..400, heard nothing for 3 s
// (while its batches still came), and joins again, then numbers from 1.
const Steps BEFORE_RESET = Steps{join()} + play(0, 1, 400);

TEST(LateDatagrams, AClientThatStartedOverPlaysAtOnceWhateverArrivesLate) {
    const struct {
        const char* name;
        Steps steps;
    } cases[] = {
        {"a plain restart", BEFORE_RESET + join() + play(1, 1, 30)},
        {"the join repeated, its Welcome lost", BEFORE_RESET + join() + ticks(30) + join() + play(1, 1, 30)},
        // The review's case: the old batch 375..390 arrived after the rejoin
        // and dragged the window to 390, so the fresh 1..30 were ignored.
        {"an old batch after the first new one", BEFORE_RESET + join() + play(1, 1, 3) + batch(0, 390, 16) + play(1, 4, 30)},
        {"an old batch between the join and the first new one", BEFORE_RESET + join() + batch(0, 390, 16) + play(1, 1, 30)},
        {"the join repeated late, after new inputs", BEFORE_RESET + join() + play(1, 1, 5) + join() + batch(1, 3, 3) + play(1, 6, 30)},
        {"the first new batch lost, the next ones reordered", BEFORE_RESET + join() + ticks(1) + batch(1, 3, 3) + batch(1, 2, 2) + ticks(1) + play(1, 4, 30)},
        {"old batches arriving together", BEFORE_RESET + join() + play(1, 1, 10) + batch(0, 400, 16) + batch(0, 200, 16) + batch(0, 5, 5) + play(1, 11, 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Played run = replay(c.steps + ticks(20));
        expect_each_input_once(run);
        // The old numbering's shield and the new one's: one each.
        EXPECT_EQ(run.purchases, 2);
        EXPECT_EQ(last_applied(run, 1), 30u);
        // Playing within 0.5 s of the Welcome: the server applies the new
        // numbers (and so acknowledges numbers the client has reached) from
        // the first batches on.
        uint64_t first_new = 0;
        for (const Applied& a : run.applied) {
            if (a.numbering == 1 && first_new == 0) first_new = a.tick;
        }
        ASSERT_NE(first_new, 0u);
        ASSERT_GE(run.welcome_ticks.size(), 2u);
        EXPECT_LE(first_new - run.welcome_ticks[1], 60u);
    }
}

// A client whose inputs were lost for a while is caught up with at once:
// the window moves up to its newest numbers, and no input is repeated.
TEST(LateDatagrams, AClientWhoseInputsWereLostCatchesUp) {
    const struct {
        const char* name;
        Steps steps;
    } cases[] = {
        {"200 ticks lost", Steps{join()} + play(0, 1, 100) + ticks(200) + play(0, 301, 320)},
        {"200 ticks lost, then a late batch from before", Steps{join()} + play(0, 1, 100) + ticks(200) + batch(0, 300, 16) + batch(0, 90, 16) + play(0, 301, 320)},
        // The dedicated server's clock fell behind: the client's numbers ran
        // 120 ahead of the server's ticks, and the cut batches still catch up.
        {"a server that fell behind", Steps{join()} + play(0, 1, 100) + ticks(80) + play(0, 301, 320)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Played run = replay(c.steps + ticks(20));
        expect_each_input_once(run);
        EXPECT_EQ(last_applied(run, 0), 320u);
    }
}

// ---- chat --------------------------------------------------------------------

TEST(LateDatagrams, AChatLineIsRelayedAsNewOnce) {
    const Steps joined = Steps{join()} + play(0, 1, 5);
    const Steps restarted = BEFORE_RESET + chat(1, "old one") + chat(2, "old two") + join();
    const struct {
        const char* name;
        Steps steps;
        std::vector<std::string> lines;  // logged as new, in order
        std::vector<uint32_t> serials;   // relays reaching the player
    } cases[] = {
        // The review's case: the late join zeroed the chat counters and the
        // resent line went out again as a new one.
        {"late join, then the line resent", joined + chat(1, "hi") + join() + chat(1, "hi"), {"hi"}, {1, 1, 1}},
        {"the line repeated and an older one late", joined + chat(1, "a") + chat(2, "b") + chat(2, "b") + chat(1, "a"), {"a", "b"}, {1, 1, 2, 2, 2}},
        {"a restarted client's first line", restarted + play(1, 1, 3) + chat(1, "new one") + chat(1, "new one"), {"old one", "old two", "new one"}, {1, 1, 2, 2, 3, 3, 3}},
        // Sent before its first batch came through: the server can't tell yet
        // which numbering it belongs to and waits for the client's resend.
        {"a restarted client's line before its first batch", restarted + chat(1, "early") + play(1, 1, 3) + chat(1, "early"), {"old one", "old two", "early"}, {1, 1, 2, 2, 3, 3}},
        {"an old line arriving after the restart", restarted + play(1, 1, 3) + chat(2, "old two") + chat(1, "new one"), {"old one", "old two", "new one"}, {1, 1, 2, 2, 3, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Played run = replay(c.steps);
        std::vector<std::string> lines;
        for (const std::string& line : run.log) {
            if (line.starts_with("player 1: ")) lines.push_back(line.substr(10));
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(run.relay_serials, c.serials);
    }
}

// ---- forged joins --------------------------------------------------------------

struct Traffic {
    uint64_t bytes_in[16] = {};
    uint64_t bytes_out[16] = {};
    uint64_t snapshots_to_real = 0;
    bool welcomed[16] = {};
};

constexpr int FORGED = 8;
Endpoint address_of(int i) { return make_endpoint(198, 51, 100, static_cast<uint8_t>(i + 1), 4000); }

int index_of(Endpoint e) {
    for (int i = 0; i < 16; ++i) {
        if (address_of(i) == e) return i;
    }
    return -1;
}

void count_out(void* context, const uint8_t* bytes, size_t length, Endpoint to) {
    Traffic& t = *static_cast<Traffic*>(context);
    const int i = index_of(to);
    if (i < 0) return;
    t.bytes_out[i] += length;
    if (length >= 4 && bytes[3] == TAG_WELCOME) t.welcomed[i] = true;
    if (i == FORGED && length >= 4 && bytes[3] == TAG_SNAPSHOT) ++t.snapshots_to_real;
}

void quiet(LogLevel, std::string_view) {}

// Eight forged addresses send one JoinRequest each every 4 s for 60 s (the
// reviewer's measurement: 480 bytes in, 54.7 MB of snapshots out, and a real
// ninth player refused throughout). A real player starts asking just after
// the forged ones took every slot, as its client does: a JoinRequest every
// 30 ticks until welcomed, then an InputBatch every tick.
TEST(LateDatagrams, ForgedJoinRequestsEarnNoSnapshotsAndGiveTheirSlotsBack) {
    World w;
    generate_world(w);
    std::unique_ptr<ServerSession, SessionDeleter> s(create_session(w));
    Traffic traffic;
    s->log_sink = quiet;
    s->send_now = count_out;
    s->send_context = &traffic;
    const uint8_t join[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
    const Endpoint real = address_of(FORGED);
    uint64_t asked_at = 0, welcomed_at = 0;
    uint32_t next_input = 1;
    uint8_t buffer[MAX_DATAGRAM];

    for (uint64_t tick = 0; tick < 60 * 120; ++tick) {
        if (tick % 480 == 0) {
            for (int i = 0; i < FORGED; ++i) {
                receive(*s, join, sizeof join, address_of(i));
                traffic.bytes_in[i] += sizeof join;
            }
        }
        if (tick >= 1 && !traffic.welcomed[FORGED] && (tick - 1) % 30 == 0) {
            if (asked_at == 0) asked_at = tick;
            receive(*s, join, sizeof join, real);
        }
        if (traffic.welcomed[FORGED]) {
            if (welcomed_at == 0) welcomed_at = tick;
            WireWriter out(buffer);
            const uint8_t idle = 0;
            encode_input_batch(out, next_input++, {&idle, 1});
            receive(*s, buffer, out.length, real);
        }
        server_tick(*s);
    }

    uint64_t in = 0, out = 0;
    for (int i = 0; i < FORGED; ++i) {
        in += traffic.bytes_in[i];
        out += traffic.bytes_out[i];
    }
    EXPECT_EQ(in, 480u);
    EXPECT_LE(out, 2 * in) << out << " bytes to the forged addresses";
    ASSERT_NE(welcomed_at, 0u);
    EXPECT_LE(welcomed_at - asked_at, 3u * 120) << "ticks until the real player was welcomed";
    EXPECT_GE(find_slot(*s, real), 0);
    // It played from then on: a snapshot every second tick.
    EXPECT_GE(traffic.snapshots_to_real, (60u * 120 - welcomed_at) / 2 - 1);
    RecordProperty("bytes_in", static_cast<int>(in));
    RecordProperty("bytes_out", static_cast<int>(out));
    RecordProperty("ticks_to_join", static_cast<int>(welcomed_at - asked_at));
}

}  // namespace

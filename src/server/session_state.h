#pragma once
// The server session's records: the world, eight player slots keyed on the
// sender's address, the received inputs, the protocol 21 tick log and the
// datagrams waiting to go out. The functions over them live beside this
// file, one concern each (server_session.h names them all).
#include <cstddef>
#include <cstdint>

#include "base/endpoint.h"
#include "base/log.h"
#include "net/handshake.h"
#include "net/messages.h"
#include "net/ticks.h"
#include "platform/keyed_hash.h"
#include "server/bot_roster.h"
#include "server/outgoing.h"
#include "server/tutorial_state.h"
#include "world/plane_input.h"
#include "world/world.h"

constexpr int INPUT_RING = 64;
constexpr uint64_t PLAYER_TIMEOUT = 600;  // ticks without a datagram (5 s)
// A client sends an InputBatch on every tick once it is welcomed. A slot
// that has sent none this long after it was granted is freed: its "player"
// was most likely a forged JoinRequest.
constexpr uint64_t FIRST_INPUT_LIMIT = 240;  // 2 s
// A client drops its state and numbers its inputs and chat lines from 1 again
// only after 360 ticks without a snapshot, so its JoinRequest can mean "I
// started over" only that long after its numbering began. The limit leaves
// 60 ticks for a server that fell behind real time.
constexpr uint64_t RESTART_MIN_AGE = 300;
// The batch that starts the new numbering follows that JoinRequest within
// one round trip; this is a generous one.
constexpr uint64_t RESTART_WINDOW = 120;
// How far a batch may reach beyond the numbers the client can have counted
// since its newest input arrived (one per tick): room for jitter.
constexpr uint64_t INPUT_LEAD_SLACK = 32;

// Protocol 21: ticks kept for resending to clients that have not
// acknowledged them (2.1 s); a client further behind is sent a whole world.
constexpr int TICK_LOG = 256;
// Ticks between two sends of a whole world that the client has not
// acknowledged yet.
constexpr uint64_t WORLD_RESEND = 24;
// A client that reports mismatches over and over is sent a whole world for
// them at most every 2 s, and logged at most every 10 s.
constexpr uint64_t MISMATCH_WORLD_GAP = 240;
constexpr uint64_t MISMATCH_WARNING_GAP = 1200;

// What the server did in one tick, as a v21 client needs it to repeat the
// tick on its confirmed world: the world edits made since the step before
// (in order), the input each plane was given, each slot's last applied
// input number after it, and on every TICK_HASH_INTERVAL-th tick the hash
// of the world right after the step.
struct TickRecord {
    uint64_t tick = 0;  // 0: no record
    uint8_t edit_count = 0;
    WorldEdit edits[TICK_EDITS_MAX] = {};  // `record` unused here
    uint8_t inputs[MAX_PLANES] = {};       // pack_input of each plane's input fields
    uint32_t applied[MAX_PLANES] = {};
    bool has_hash = false;
    uint64_t hash = 0;
};

struct TickLog {
    TickRecord records[TICK_LOG];  // tick t at index t mod TICK_LOG
    TickRecord next;               // the edits made since the last step
};

// One input as received, stored at index sequence mod 64. An entry is trusted
// only when its own number equals the number looked up.
struct InputRecord {
    uint32_t sequence = 0;
    uint8_t turn_left = 0;
    uint8_t turn_right = 0;
    uint8_t thrust = 0;
    uint8_t fire = 0;
    uint8_t hook_key = 0;
    uint8_t buy_item = 0;
};

// Input `sequence` as the ring stores it.
InputRecord make_record(uint32_t sequence, const PlaneInput& in);

struct PlayerSlot {
    bool in_use = false;
    // A computer player holds the slot: it has no address, and its inputs
    // come from the session's own bots instead of the network.
    bool bot = false;
    Endpoint address{};
    uint64_t last_heard = 0;  // server tick of the last valid message of `protocol` from `address`
    uint64_t joined_tick = 0;
    // A valid InputBatch has come: only then does the slot get snapshots and
    // chat, so a forged JoinRequest earns its sender no more than a Welcome.
    bool sent_input = false;
    InputRecord inputs[INPUT_RING] = {};
    uint32_t last_applied = 0;
    uint32_t newest_received = 0;
    uint64_t newest_tick = 0;      // when newest_received last grew, or the numbering began
    // The last batch that reached further than the client can have counted,
    // kept to see whether the next one continues it.
    bool ahead_seen = false;
    uint32_t ahead_newest = 0;
    uint64_t ahead_tick = 0;
    uint64_t numbering_tick = 0;   // when the client's current input numbering began
    // A JoinRequest old enough to mean a restart came at `rejoin_tick`; the
    // next batch that carries input 1 starts the numbering over.
    bool restart_open = false;
    uint64_t rejoin_tick = 0;
    // The input numbering started over and no chat line has been taken
    // since: a line numbered 1 starts the chat numbering over too.
    bool chat_restart_open = false;
    uint32_t last_chat_sequence = 0;
    uint32_t last_chat_serial = 0;
    uint8_t last_chat_length = 0;
    char last_chat_text[MAX_TEXT] = {};

    // The protocol of the JoinRequest the slot was granted for (20 or 21);
    // everything the slot is sent is in that version.
    uint8_t protocol = PROTOCOL_VERSION;
    // Protocol 21. The client needs a whole world (it joined, the world was
    // replaced, it fell behind the tick log, or it asked); `world_sent`:
    // one went out since, stamped `image_tick`, last sent at `world_sent_tick`.
    bool needs_world = false;
    bool world_sent = false;
    uint64_t world_sent_tick = 0;
    uint64_t image_tick = 0;
    // The client's confirmed world, as its newest batch (`report_newest`) told.
    bool holds_world = false;
    uint64_t held_tick = 0;
    uint32_t report_newest = 0;
    uint64_t mismatches = 0;  // times its world's hash differed from the server's
    // A mismatch is a fault to find, never normal play: a client that keeps
    // reporting them gets a whole world at most every MISMATCH_WORLD_GAP
    // ticks and a warning line at most every MISMATCH_WARNING_GAP ticks,
    // which counts the reports it stood for.
    uint64_t mismatch_world_tick = 0;  // when a report last earned a whole world
    bool mismatch_waiting = false;     // a report came too soon after that one
    uint64_t warned_tick = 0;          // the last warning line
    bool warned = false;
    uint32_t unwarned_mismatches = 0;  // reports since that line
};

struct ServerSession {
    World world;
    // Protocol 21 joins only from an address that echoed a cookie made with
    // this key (server/handshake.h). Protocol 20 cannot prove an address:
    // a host that must not serve it clears `accepts_protocol_20`.
    KeyedHash* cookie_key = nullptr;
    bool accepts_protocol_20 = true;
    PlayerSlot slots[MAX_PLANES];
    uint64_t tick = 0;
    uint32_t chat_serial = 0;  // last serial handed out
    OutgoingQueue outgoing;
    // A script a host runs at the end of every tick (the tutorial's lessons),
    // and the script's own progress.
    void (*after_tick)(ServerSession& session) = nullptr;
    TutorialState tutorial;
    // Computer players, when a host asks for them (set_bots): first in every
    // tick `bots_tick` lets them join, leave and decide; `make_room` frees a
    // bot's slot for a person who finds every slot taken (-1 when none).
    BotRoster bots;
    void (*bots_tick)(ServerSession& session) = nullptr;
    int (*make_room)(ServerSession& session) = nullptr;
    uint64_t map_seed = 0;  // the current round's map, for a host that plays map after map
    // Where the join, leave, timeout, chat and win lines go: the program's
    // log on standard error, unless a host wants them elsewhere.
    void (*log_sink)(LogLevel level, std::string_view line) = log_line;
    // A host that can hand datagrams to the network at once (the dedicated
    // server) sets this: each datagram then goes out as soon as it is built,
    // so a chat line's two copies to eight players are never squeezed out by
    // the queue of eight. The tutorial leaves it null and uses the queue.
    void (*send_now)(void* context, const uint8_t* bytes, size_t length, Endpoint to) = nullptr;
    void* send_context = nullptr;
    uint8_t send_buffer[MAX_DATAGRAM];
    // Protocol 21: the ticks for the clients that step their own world, and
    // the number of world-hash mismatches they reported, all slots together.
    TickLog ticks;
    uint64_t world_mismatches = 0;
    TickRun run_scratch;  // built for one client at a time
};


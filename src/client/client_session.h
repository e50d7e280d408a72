#pragma once
// The client's side of one stay in a game: joining, the predicted copy of the
// world, reconciliation with the server's snapshots, the smoothing of
// corrections, and the chat lines on their way out and in.
//
// The client steps its own world once per tick with its own controls applied
// at once. The newest snapshot accepted in a frame replaces that world with
// the server's and the inputs the server has not yet applied are replayed on
// top of it; a plane that moved by less than 64 units is drawn where it was
// and glides to its new place (the smoothing offset), a longer correction
// snaps. Older snapshots of the same frame are decoded and counted for the
// announcements but never replayed: a flood of them costs a decode each, not
// a replay each.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "client/server_link.h"
#include "net/handshake.h"
#include "net/messages.h"
#include "net/wire.h"
#include "world/world.h"

enum class ConnectionState : uint8_t {
    Connecting = 0,
    Joined = 1,
    Full = 2,
};

// Pacing, in client ticks.
constexpr uint64_t JOIN_RETRY = 30;
constexpr uint64_t CHAT_RETRY = 30;
constexpr uint64_t SERVER_SILENCE = 360;
constexpr uint32_t INPUT_WINDOW = 16;
constexpr uint32_t INPUT_HISTORY = 240;
constexpr int CHAT_PENDING = 4;
// A client whose protocol was not chosen from the server's status tries
// protocol 21 for this many JoinRequests (2 s), then 20 as long, and so on.
constexpr uint32_t JOIN_TRIES_PER_PROTOCOL = 8;
constexpr int RECEIVED_LINES = 8;
constexpr int SEEN_SERIALS = 16;

// Display offsets decay by this factor per tick; corrections at least 64
// units long (4096 squared) are not smoothed.
constexpr float SMOOTHING_DECAY = 0.891f;
constexpr float SMOOTHING_LIMIT_SQUARED = 4096.0f;

// A chat line: up to 80 bytes, and its sender's slot (255: no player).
struct ChatLine {
    char text[MAX_TEXT] = {};
    uint8_t length = 0;
    uint8_t sender = CHAT_NO_SENDER;
};

struct ClientSession {
    Vec2 smoothing[MAX_PLANES] = {};  // per slot: displayed position minus simulated position
    uint64_t own_slot = 0;
    World world{};  // the predicted copy; empty until the first snapshot

    ChatLine received[RECEIVED_LINES] = {};  // relayed lines waiting to be shown, oldest first
    int received_count = 0;

    uint64_t last_chat_send_tick = 0;
    uint64_t client_tick = 0;
    uint64_t last_heard_tick = 0;  // last Welcome or accepted Snapshot
    uint64_t last_join_tick = 0;
    bool join_sent = false;

    ChatLine pending[CHAT_PENDING] = {};  // sent but not relayed back yet, oldest first
    int pending_count = 0;
    uint32_t chat_sequence = 1;  // number of the oldest pending line

    uint32_t last_snapshot_tick = 0;
    uint32_t acknowledged_input = 0;
    uint32_t next_input = 1;

    uint32_t seen_serials[SEEN_SERIALS] = {};  // oldest first
    int seen_count = 0;

    ConnectionState state = ConnectionState::Connecting;

    // Bit i = slot i: the slots the client knows to hold computer players
    // (a practice game's host tells it, or a protocol 21 server's world edits
    // and images), named "Bot N" instead of "Player N". A bot's bit stays
    // after it left, until its slot is taken again.
    uint8_t bot_mask = 0;

    // Bit i = slot i; filled by snapshots, emptied by the announcements.
    uint8_t joined_mask = 0;
    uint8_t left_mask = 0;
    uint8_t destroyed_mask = 0;
    uint8_t previous_present = 0;
    uint8_t previous_dead = 0;
    bool have_previous = false;  // a snapshot was accepted this session (until then any tick is newer)

    InputByte history[INPUT_HISTORY] = {};  // own controls by input number mod 240

    // How far the last adopted snapshot moved each plane that was already
    // there: predicted position minus the position after the replay (so a
    // smoothing offset in flight does not count). Zero while the prediction
    // is exact; for tests and diagnostics only.
    Vec2 prediction_error[MAX_PLANES] = {};
    uint8_t predicted_mask = 0;  // slots with a prediction_error
    uint64_t snapshots_accepted = 0;
    uint64_t snapshots_adopted = 0;  // accepted ones that replaced the world

    // Reused for every datagram: the one being built, and two decoded worlds:
    // incoming[newest_incoming] holds the newest accepted snapshot while one
    // waits to be adopted, the other image takes the next decode.
    uint8_t outgoing[MAX_DATAGRAM] = {};
    World incoming[2]{};
    uint8_t newest_incoming = 0;
    bool snapshot_waiting = false;

    // The protocol this session speaks (20 or 21); datagrams of the other
    // version are dropped. `protocol_fixed`: chosen from the server's status
    // and kept; otherwise 21 and 20 take turns while joins go unanswered.
    // Both outlive the reset after a silent server.
    uint8_t protocol = PROTOCOL_VERSION;
    bool protocol_fixed = true;
    uint32_t join_tries = 0;  // JoinRequests sent in the current protocol
    // Protocol 21: the server's cookie for our address, echoed in every
    // JoinRequest (all zero until its Challenge came).
    JoinCookie cookie;

    // Protocol 21: the confirmed world is the server's world at
    // `confirmed_tick` (with `confirmed_edits` edits of the next tick's
    // record already made), stepped only with the inputs the server
    // applied; the predicted `world` is rebuilt from it whenever it
    // advanced (`confirmed_advanced`), as from a v20 snapshot.
    World confirmed{};
    bool holds_world = false;
    uint32_t confirmed_tick = 0;
    uint8_t confirmed_edits = 0;
    uint32_t confirmed_input = 0;  // the own last applied input number in it
    bool confirmed_advanced = false;
    // Stopped at a replacement of the world (a new round) until a whole
    // world comes.
    bool blocked = false;
    // Its hash differed from the server's at `want_tick`: frozen, and a
    // whole world of that tick or later is asked for.
    bool wants_world = false;
    uint32_t want_tick = 0;
    uint64_t world_mismatches = 0;  // for tests and diagnostics
    uint64_t ticks_confirmed = 0;
    uint64_t images_taken = 0;
};

// Reset by assigning a fresh value, so no field can be forgotten.
static_assert(std::is_trivially_copyable_v<ClientSession>);

// Back to the state of a fresh session: connecting, nothing sent, an empty
// world, protocol 20.
void reset_client_session(ClientSession& c);

// The protocol to join with: `fixed` keeps it; otherwise protocol 21 is
// tried first and 20 after JOIN_TRIES_PER_PROTOCOL unanswered requests.
void choose_protocol(ClientSession& c, uint8_t protocol, bool fixed);

// Takes one datagram from the server (Welcome, ServerFull, Snapshot,
// ChatRelay); anything malformed, stale or out of place is dropped. An
// accepted snapshot counts at once (its tick, its acknowledgement, the
// players who joined, left or were destroyed) but waits for adopt_snapshot
// to become the client's world.
void handle_datagram(ClientSession& c, const uint8_t* bytes, size_t length);

// Replaces the predicted world with the newest snapshot accepted since the
// last call and replays the unacknowledged inputs on it; nothing when none
// waits. True when a snapshot was adopted.
bool adopt_snapshot(ClientSession& c);

// What a frame does with the server's datagrams: every one that arrived is
// taken, then the newest accepted snapshot is adopted.
void receive_from_server(ClientSession& c, ServerLink& link);

// The client's part of one tick: the tick counter and the smoothing decay,
// then the sending rules (join requests; the silence reset; the input, its
// batch and one step of the predicted world; chat resends). `input` holds the
// sampled controls and the purchase of this tick.
void advance_client(ClientSession& c, ServerLink& link, const InputByte& input);

// Queues a chat line from the own slot (the caller has checked that it may).
// The first pending line goes out at once.
void queue_chat_line(ClientSession& c, ServerLink& link, std::string_view text);

// Where a plane is drawn: its position plus its smoothing offset, wrapped.
Vec2 displayed_position(const ClientSession& c, int slot);

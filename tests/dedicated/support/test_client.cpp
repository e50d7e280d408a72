#include "support/test_client.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "dedicated/tick_clock.h"
#include "net/messages.h"
#include "world/world_hash.h"

namespace {

using Clock = std::chrono::steady_clock;

uint8_t flags_of(const Plane& p) {
    return static_cast<uint8_t>(p.turn_left | p.turn_right << 1 | p.thrust << 2 | p.fire << 3 | p.hook_key << 4);
}

void keep_world(TestClient& t) {
    const ClientSession& c = t.session;
    const World& w = c.protocol == PROTOCOL_VERSION_21 ? c.confirmed : c.incoming[c.newest_incoming];
    t.worlds.push_back({c.last_snapshot_tick, hash_without_events(w)});
}

void on_datagram(void* context, const uint8_t* bytes, size_t length) {
    TestClient& t = *static_cast<TestClient*>(context);
    ClientSession& c = t.session;
    t.bytes_received += length;
    if (length >= 4) ++t.datagrams_by_tag[bytes[3] & 15];
    const uint64_t accepted = c.snapshots_accepted;
    const bool round_over = c.world.winner != NONE;
    handle_datagram(c, bytes, length);
    adopt_snapshot(c);  // each one as it comes, so every snapshot is checked
    if (c.snapshots_accepted == accepted || c.own_slot >= MAX_PLANES) return;
    if (t.keep_worlds) keep_world(t);
    SnapshotSeen seen;
    seen.server_tick = c.last_snapshot_tick;
    seen.acknowledged = c.acknowledged_input;
    const World& received = c.protocol == PROTOCOL_VERSION_21 ? c.confirmed : c.incoming[c.newest_incoming];
    seen.own_flags = flags_of(received.planes[c.own_slot]);  // as received
    seen.predicted = (c.predicted_mask >> c.own_slot) & 1u;
    const Vec2 e = c.prediction_error[c.own_slot];
    seen.correction = std::sqrt(e.x * e.x + e.y * e.y);
    seen.new_round = round_over && c.world.winner == NONE;
    seen.arrival_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    t.snapshots.push_back(seen);
}

}  // namespace

uint64_t hash_without_events(const World& w) {
    World copy = w;  // the server's thread and the clients' hash at once
    copy.event_count = 0;
    return hash_world(copy);
}

std::unique_ptr<TestClient> connect_client(Endpoint server, uint8_t protocol) {
    auto client = std::make_unique<TestClient>();
    reset_client_session(client->session);
    choose_protocol(client->session, protocol, true);
    if (open_online(client->link, server) != LinkError::None) return nullptr;
    client->snapshots.reserve(16384);
    return client;
}

bool joined(const TestClient& c) { return c.session.state == ConnectionState::Joined; }

void client_tick(TestClient& client, const InputByte& input) {
    collect(client.link, on_datagram, &client);
    const bool was_joined = joined(client);
    advance_client(client.session, client.link, input);
    if (was_joined && !joined(client)) ++client.left_joined;
}

bool drive_until(const std::vector<TestClient*>& clients, double seconds, const InputScript& script,
                 const std::function<bool()>& done) {
    const auto start = Clock::now();
    const auto tick = std::chrono::nanoseconds(1'000'000'000 / 120);
    const auto end = start + std::chrono::nanoseconds(static_cast<int64_t>(seconds * 1e9));
    auto due = start;
    for (;;) {
        if (done && done()) return true;
        due += tick;
        if (due > end) return false;
        // After a stall it runs at most MAX_CATCH_UP_TICKS ticks at once and
        // forgets the rest of the missed ones, as the game's client and the
        // server do: a burst of hundreds would run further ahead of the
        // server than a player's client ever can, and lose inputs for it.
        const auto late = Clock::now() - due;
        if (late > tick * MAX_CATCH_UP_TICKS) due += late - tick * (MAX_CATCH_UP_TICKS - 1);
        std::this_thread::sleep_until(due);
        for (size_t i = 0; i < clients.size(); ++i) {
            if (clients[i]) client_tick(*clients[i], script(i, clients[i]->session.client_tick + 1));
        }
    }
}

void drive(const std::vector<TestClient*>& clients, double seconds, const InputScript& script,
           const std::function<void()>& each_tick) {
    drive_until(clients, seconds, script, [&] {
        if (each_tick) each_tick();
        return false;
    });
}

// One server tick with eight players on a busy world, the tick that also
// builds the eight snapshots: four bodies, 64 objects (collectors circling
// the planets, turrets, stations), planes that turn, thrust and fire. What
// one tick costs bounds how many sessions one server core can host.
#include <benchmark/benchmark.h>

#include <cmath>

#include "net/messages.h"
#include "server/server_session.h"
#include "world/forces.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

void quiet(LogLevel, std::string_view) {}

Endpoint player(int i) { return make_endpoint(10, 1, 0, static_cast<uint8_t>(i + 1), 7777); }

void add_body(World& w, Vec2 pos, bool sun, uint8_t resource) {
    CelestialBody& b = w.bodies[w.body_count++];
    b.pos = pos;
    b.radius = sun ? SUN_RADIUS : PLANET_RADIUS;
    b.surface_gravity = sun ? SUN_SURFACE_GRAVITY : PLANET_SURFACE_GRAVITY;
    b.is_sun = sun;
    b.resource = resource;
}

WorldObject octagon_turret(Vec2 at, uint8_t owner, const Rules& rules) {
    Vec2 points[8];
    for (int k = 0; k < 8; ++k) points[k] = at + Vec2{14.0f * std::cos(k * PI / 4), 14.0f * std::sin(k * PI / 4)};
    WorldObject o = polygon_body(points, 8);
    o.kind = OBJECT_TURRET;
    o.owner = owner;
    o.health = rules.turret_health;
    o.upgrading_station = NONE;
    return o;
}

ServerSession* busy_session() {
    World w;
    generate_world(w);
    w.object_count = 0;
    add_body(w, {2000.0f, 2700.0f}, true, 0);
    add_body(w, {5600.0f, 1300.0f}, false, 0);
    add_body(w, {7600.0f, 4000.0f}, false, 1);
    add_body(w, {5200.0f, 4200.0f}, false, 2);
    // 44 collectors on orbits around the planets.
    for (int i = 0; i < 44; ++i) {
        const CelestialBody& b = w.bodies[1 + i % 3];
        const float dist = b.radius + 80.0f + 4.0f * i;
        const float a = 0.7f * i;
        const Vec2 n = {std::cos(a), std::sin(a)};
        WorldObject o = make_collector(wrap(b.pos + n * dist, w.size), a, w.rules);
        o.vel = Vec2{-n.y, n.x} * circular_speed(b, dist);
        o.owner = static_cast<uint8_t>(i % 8);
        w.objects[w.object_count++] = o;
    }
    // 20 turrets between the planets, owned round the table.
    for (int i = 0; i < 20; ++i) {
        Vec2 at = {4000.0f + 200.0f * (i % 10), 2400.0f + 500.0f * (i / 10)};
        w.objects[w.object_count++] = octagon_turret(at, static_cast<uint8_t>(i % 8), w.rules);
    }
    ServerSession* s = create_session(w);
    s->log_sink = quiet;
    for (int i = 0; i < MAX_PLANES; ++i) {
        uint8_t join[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
        receive(*s, join, sizeof join, player(i));
        Plane& p = s->world.planes[i];
        p.pos = {3800.0f + 300.0f * i, 2000.0f + 150.0f * (i % 3)};
        p.angle = 0.8f * i;
    }
    while (pop_outgoing(*s)) {
    }
    return s;
}

// range(0) = 1: the even tick that builds the snapshots; 0: an odd tick.
void BM_ServerTick(benchmark::State& state) {
    const bool snapshots = state.range(0) != 0;
    ServerSession* s = busy_session();
    uint32_t number = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        ++number;
        for (int i = 0; i < MAX_PLANES; ++i) {
            // Fire always; turn and thrust in a slow rhythm that differs per player.
            const uint32_t phase = (number / 30 + i) % 4;
            const InputByte in{phase == 0, phase == 2, phase != 3, true, false, ITEM_NONE};
            const uint8_t packed = pack_input(in);
            uint8_t buffer[MAX_DATAGRAM];
            WireWriter w(buffer);
            encode_input_batch(w, number, {&packed, 1});
            receive(*s, buffer, w.length, player(i));
        }
        s->tick = snapshots ? (s->tick | 1) : (s->tick & ~uint64_t{1});
        server_tick(*s);
        while (const OutgoingDatagram* d = pop_outgoing(*s)) bytes += d->length;
    }
    state.counters["snapshot_bytes"] = benchmark::Counter(static_cast<double>(bytes) / state.iterations() / MAX_PLANES);
    state.counters["shots"] = static_cast<double>(s->world.shot_count);
    state.counters["objects"] = static_cast<double>(s->world.object_count);
    destroy_session(s);
}
BENCHMARK(BM_ServerTick)->ArgName("snapshots")->Arg(1)->Arg(0);

}  // namespace

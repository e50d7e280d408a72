// What one snapshot costs the client: decoding it into the scratch world,
// adopting it and replaying the inputs the server has not applied yet, on a
// busy world (sun and three planets, eight planes firing, 64 objects, shots
// in flight). The worst case replays 240 inputs, and a frame may take up to
// eight snapshots.
#include <benchmark/benchmark.h>

#include <cmath>

#include "client/client_session.h"
#include "net/snapshot.h"
#include "world/forces.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/step.h"

namespace {

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

// Four bodies, 44 collectors circling the planets, 20 turrets, eight planes
// turning, thrusting and firing; stepped for a second so that shots fly.
World busy_world() {
    World w;
    generate_world(w);
    w.object_count = 0;
    add_body(w, {2000.0f, 2700.0f}, true, 0);
    add_body(w, {5600.0f, 1300.0f}, false, 0);
    add_body(w, {7600.0f, 4000.0f}, false, 1);
    add_body(w, {5200.0f, 4200.0f}, false, 2);
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
    for (int i = 0; i < 20; ++i) {
        Vec2 at = {4000.0f + 200.0f * (i % 10), 2400.0f + 500.0f * (i / 10)};
        w.objects[w.object_count++] = octagon_turret(at, static_cast<uint8_t>(i % 8), w.rules);
    }
    for (uint8_t i = 0; i < MAX_PLANES; ++i) {
        spawn_plane(w, i);
        Plane& p = w.planes[i];
        p.pos = {3800.0f + 300.0f * i, 2000.0f + 150.0f * (i % 3)};
        p.angle = 0.8f * i;
        p.fire = true;
        p.thrust = i % 2 == 0;
        p.turn_left = i % 3 == 0;
    }
    for (int t = 0; t < 120; ++t) step_world(w);
    return w;
}

// range(0): the number of inputs the snapshot leaves to replay (0..240).
void BM_ApplySnapshot(benchmark::State& state) {
    const uint32_t replayed = static_cast<uint32_t>(state.range(0));
    static World world = busy_world();
    static ClientSession c;
    reset_client_session(c);
    c.state = ConnectionState::Joined;
    c.own_slot = 0;
    // 400 inputs made, of which the snapshot applied all but `replayed`.
    c.next_input = 401;
    for (uint32_t n = 1; n <= 400; ++n) {
        c.history[n % INPUT_HISTORY] = {n % 7 == 0, n % 5 == 0, n % 2 == 0, true, n % 40 == 0, 0};
    }
    const uint32_t acknowledged = 400 - replayed;

    static uint8_t datagram[MAX_DATAGRAM];
    WireWriter w(datagram);
    encode_snapshot(w, world, 1000, acknowledged);
    const size_t length = w.length;

    for (auto _ : state) {
        c.last_snapshot_tick = 0;
        c.acknowledged_input = 0;
        handle_datagram(c, datagram, length);
        benchmark::DoNotOptimize(c.world.planes[0].pos);
    }
    if (c.snapshots_accepted != static_cast<uint64_t>(state.iterations())) state.SkipWithError("snapshot refused");
    state.counters["bytes"] = static_cast<double>(length);
    state.counters["objects"] = static_cast<double>(world.object_count);
    state.counters["shots"] = static_cast<double>(world.shot_count);
}
BENCHMARK(BM_ApplySnapshot)->Arg(0)->Arg(16)->Arg(240)->Unit(benchmark::kMicrosecond);

}  // namespace

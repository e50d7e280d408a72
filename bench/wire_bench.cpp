// Encoding and decoding the largest snapshot: 4 bodies, 8 planes with hooks
// out, 64 objects of 8 points and 64 shots (12524 bytes). The server encodes
// one per client every second tick; the client decodes up to 60 a second.
#include <benchmark/benchmark.h>

#include <memory>

#include "net/snapshot.h"
#include "world/world.h"

namespace {

float value(int i, int field) { return static_cast<float>(i * 37 + field) * 0.5f + 0.25f; }

std::unique_ptr<World> largest_world() {
    auto w = std::make_unique<World>();
    w->body_count = MAX_BODIES;
    for (int i = 0; i < MAX_BODIES; ++i) {
        CelestialBody& b = w->bodies[i];
        b.pos = {value(i, 1), value(i, 2)};
        b.radius = i == 0 ? SUN_RADIUS : PLANET_RADIUS;
        b.surface_gravity = i == 0 ? SUN_SURFACE_GRAVITY : PLANET_SURFACE_GRAVITY;
        b.is_sun = i == 0;
        b.look = static_cast<uint8_t>(i);
        b.resource = static_cast<uint8_t>(i % 3);
    }
    for (int i = 0; i < MAX_PLANES; ++i) {
        Plane& p = w->planes[i];
        p.in_use = true;
        p.slot = static_cast<uint8_t>(i);
        p.pos = {value(i, 3), value(i, 4)};
        p.vel = {value(i, 5), -value(i, 6)};
        p.health = 150;
        p.boarding_vessel = NONE;
        p.hook_out = true;
        p.hook_state = HOOK_ATTACHED;
        p.hook_pos = {value(i, 7), value(i, 8)};
        p.hook_object = static_cast<uint8_t>(i);
        p.rope_length = 120.0f;
    }
    w->object_count = MAX_OBJECTS;
    for (int i = 0; i < MAX_OBJECTS; ++i) {
        WorldObject& o = w->objects[i];
        o.kind = OBJECT_COLLECTOR;
        o.pos = {value(i, 9), value(i, 10)};
        o.vel = {value(i, 11), value(i, 12)};
        o.mass = 40.0f;
        o.inertia = 900.0f;
        o.area = 400.0f;
        o.health = 50;
        o.owner = NONE;
        o.upgrading_station = NONE;
        o.point_count = MAX_HULL_POINTS;
        for (int k = 0; k < MAX_HULL_POINTS; ++k) o.points[k] = {value(k, 13), -value(k, 14)};
    }
    w->shot_count = MAX_SHOTS;
    for (int i = 0; i < MAX_SHOTS; ++i) {
        Shot& s = w->shots[i];
        s.pos = {value(i, 15), value(i, 16)};
        s.vel = {value(i, 17), value(i, 18)};
        s.owner = static_cast<uint8_t>(i % MAX_PLANES);
        s.damage = 10;
    }
    return w;
}

void BM_EncodeLargestSnapshot(benchmark::State& state) {
    const auto world = largest_world();
    static uint8_t buf[MAX_DATAGRAM];
    WireWriter w{buf};
    uint32_t tick = 0;
    for (auto _ : state) {
        encode_snapshot(w, *world, ++tick, 5);
        benchmark::DoNotOptimize(buf);
        benchmark::ClobberMemory();
    }
    if (w.length != SNAPSHOT_MAX_SIZE) state.SkipWithError("not the largest snapshot");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(w.length));
}
BENCHMARK(BM_EncodeLargestSnapshot);

void BM_DecodeLargestSnapshot(benchmark::State& state) {
    const auto world = largest_world();
    static uint8_t buf[MAX_DATAGRAM];
    WireWriter w{buf};
    encode_snapshot(w, *world, 100, 5);
    auto scratch = std::make_unique<World>();
    const SnapshotGate gate{99, 6};
    for (auto _ : state) {
        WireReader r = make_reader(buf, w.length, HEADER_SIZE);
        SnapshotInfo info;
        const WireError e = decode_snapshot(r, gate, *scratch, info);
        benchmark::DoNotOptimize(e);
        benchmark::ClobberMemory();
        if (e != WireError::None) {
            state.SkipWithError("decode failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(w.length));
}
BENCHMARK(BM_DecodeLargestSnapshot);

}  // namespace

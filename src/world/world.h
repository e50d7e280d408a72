#pragma once
// The whole state of a match as one flat, trivially copyable value. The server
// steps it, snapshots copy it field by field, and the client overwrites its own
// copy with every accepted snapshot, so nothing in here may point outside it.
#include <cstdint>
#include <type_traits>

#include "world/vec2.h"

constexpr float TICK = 1.0f / 120.0f;  // 0.008333334
constexpr float WORLD_WIDTH = 9600.0f;
constexpr float WORLD_HEIGHT = 5400.0f;
constexpr uint8_t NONE = 0xFF;

constexpr int MAX_PLANES = 8;
constexpr int MAX_OBJECTS = 64;
constexpr int MAX_BODIES = 4;
constexpr int MAX_SHOTS = 64;
constexpr int MAX_EVENTS = 128;
constexpr int MAX_HULL_POINTS = 8;
constexpr int RESOURCE_KINDS = 3;

enum HookState : uint8_t {
    HOOK_FLYING = 0,
    HOOK_ATTACHED = 1,
    HOOK_TETHERED = 2,
    HOOK_REELING = 3,
};

enum ObjectKind : uint8_t {
    OBJECT_NONE = 0,
    OBJECT_COLLECTOR = 1,
    OBJECT_TURRET = 2,
    OBJECT_STATION = 3,
    OBJECT_VESSEL = 4,
};

// Shop items as carried by `Plane::buy_item`.
enum ShopItem : uint8_t {
    ITEM_NONE = 0,
    ITEM_TURRET = 1,
    ITEM_SHIELD = 2,
    ITEM_RADAR = 3,
    ITEM_MINIMAP = 4,
    ITEM_SUN_SHIELD = 5,
    ITEM_UPGRADE_STATION = 6,
    ITEM_EXIT_VESSEL = 7,
};
constexpr int SHOP_ITEM_COUNT = 7;

// A plane's `killer`: 0..7 is the slot whose shot (or turret) did it.
enum KillCause : uint8_t {
    KILL_LEFT_BEHIND = 0xFC,  // outside the winning exit vessel at a win
    KILL_SUN = 0xFD,          // burned up in the sun
    KILL_OBJECT = 0xFE,       // crashed into an object
    KILL_PLANET = 0xFF,       // crashed into a planet, or the sun behind a sun shield
};

enum WorldEventKind : uint8_t {
    EVENT_SHOT_FIRED = 0,
    EVENT_IMPACT = 1,
    EVENT_SHOT_HIT = 2,
    EVENT_HOOK_FIRED = 3,
    EVENT_CATCH = 4,
    EVENT_GATHER = 5,
    EVENT_SHIELD_HIT = 6,
    EVENT_PURCHASE = 7,
    EVENT_UPGRADED = 8,
    EVENT_ROUND_WON = 9,
};
constexpr int WORLD_EVENT_KINDS = 10;

struct Rules {
    uint32_t exit_vessel_cost = 50;
    uint32_t win_amount = 15;
    float plane_respawn_delay = 5.0f;
    float crash_speed = 150.0f;
    float crash_damage_factor = 0.8f;
    float sun_heat_range = 220.0f;
    float sun_heat_falloff = 45.0f;
    float object_respawn_delay = 10.0f;
    uint32_t turret_cost = 30;
    float sun_heat_rate = 20.0f;
    float turret_range = 550.0f;
    float turret_turn_rate = 3.0f;
    float turret_reload = 0.4f;
    uint32_t shield_cost = 15;
    float shield_radius = 30.0f;
    uint32_t minimap_cost = 30;
    float round_over_delay = 30.0f;
    uint32_t sun_shield_cost = 20;
    uint32_t upgrade_station_cost = 20;
    uint32_t radar_cost = 10;
    float upgrade_time = 15.0f;
    float boarding_time = 5.0f;
    uint16_t station_health = 100;
    uint16_t shield_strength = 50;
    uint16_t plane_health = 150;
    uint16_t shot_damage = 10;
    uint16_t turret_health = 50;
    uint16_t collector_health = 50;
    uint16_t gather_amount = 1;
};

struct Plane {
    Vec2 pos{};
    Vec2 vel{};
    float angle = 0;  // [0, 2pi)
    float flame = 0;  // 0..1
    Vec2 hook_pos{};
    Vec2 hook_vel{};
    Vec2 hook_anchor{};  // in the hooked object's body frame
    float rope_length = 0;
    uint8_t hook_state = HOOK_FLYING;
    uint8_t hook_object = 0;
    bool hook_out = false;  // every hook field is zero while false
    float fire_cooldown = 0;
    float respawn_timer = 0;
    bool dead = false;
    uint32_t resources[RESOURCE_KINDS] = {};
    uint32_t sun_resource = 0;
    float heat = 0;
    float boarding_timer = 0;
    uint16_t health = 0;
    uint16_t shield = 0;
    uint8_t slot = 0;
    bool turn_left = false;
    bool turn_right = false;
    bool thrust = false;
    bool fire = false;
    bool hook_key = false;
    uint8_t buy_item = ITEM_NONE;
    uint8_t killer = 0;
    bool hook_key_was_down = false;
    bool has_radar = false;
    bool has_minimap = false;
    bool has_sun_shield = false;
    // A free slot's plane is all zero (as a snapshot decodes it); a spawn sets 0xFF.
    uint8_t boarding_vessel = 0;
    bool in_use = false;
};

struct WorldObject {
    Vec2 hull_offset{};  // hull origin relative to the centre of mass, body frame
    Vec2 pos{};          // centre of mass
    Vec2 vel{};
    Vec2 points[MAX_HULL_POINTS] = {};  // relative to the centre of mass, body frame
    uint64_t point_count = 0;
    Vec2 home_pos{};
    float angle = 0;  // [0, 2pi)
    float spin = 0;
    float mass = 0;
    float inertia = 0;
    float area = 0;
    float gather_timer = 0;
    float upgrade_timer = 0;
    float upgrade_radius = 0;
    float respawn_timer = 0;
    bool destroyed = false;
    float home_angle = 0;
    float heat = 0;
    float turret_aim = 0;  // [0, 2pi) once it has turned; a new turret starts at its buyer's angle + pi
    float turret_cooldown = 0;
    uint16_t health = 0;
    uint8_t kind = OBJECT_NONE;
    uint8_t owner = NONE;
    bool upgraded = false;
    uint8_t upgrading_station = NONE;
    bool free = false;
};

struct CelestialBody {
    Vec2 pos{};
    float radius = 0;
    float surface_gravity = 0;  // strength parameter is surface_gravity * radius^2
    float phase = 0;            // 0..10, animation offset for drawing
    uint8_t look = 0;           // drawing variant
    bool is_sun = false;
    uint8_t resource = 0;       // 0..2
};

constexpr float SUN_RADIUS = 380.0f;
constexpr float SUN_SURFACE_GRAVITY = 110.0f;
constexpr float PLANET_RADIUS = 160.0f;
constexpr float PLANET_SURFACE_GRAVITY = 250.0f;

struct Shot {
    Vec2 pos{};
    Vec2 vel{};
    float age = 0;  // a shot lives 0.8 s
    uint16_t damage = 0;
    uint8_t owner = 0;
};

// One event of the most recent tick. Which payload fields mean something
// depends on the kind: `pos` for every kind but 6 and 7; `a`, `b` the bytes
// (shooter, owner, victim/broke, buyer/item, owner/kind, winner); `value` the
// closing speed of an impact.
struct WorldEvent {
    uint8_t kind = 0;
    Vec2 pos{};
    uint8_t a = 0;
    uint8_t b = 0;
    float value = 0;
};

struct World {
    Vec2 size{WORLD_WIDTH, WORLD_HEIGHT};
    Plane planes[MAX_PLANES] = {};
    WorldObject objects[MAX_OBJECTS] = {};
    uint64_t object_count = 0;
    CelestialBody bodies[MAX_BODIES] = {};
    uint64_t body_count = 0;
    Shot shots[MAX_SHOTS] = {};
    uint64_t shot_count = 0;
    WorldEvent events[MAX_EVENTS] = {};
    uint64_t event_count = 0;
    uint32_t spawn_counter = 0;
    float round_over_timer = 0;
    Rules rules{};
    uint8_t winner = NONE;
    uint8_t winner_vessel = NONE;
};

static_assert(std::is_trivially_copyable_v<World>, "World is copied whole");
static_assert(std::is_trivially_copyable_v<Rules>);

// Appends an event; a full list drops it silently.
inline WorldEvent* push_event(World& w, uint8_t kind) {
    if (w.event_count >= MAX_EVENTS) return nullptr;
    WorldEvent& e = w.events[w.event_count++];
    e = WorldEvent{};
    e.kind = kind;
    return &e;
}
inline void push_event_at(World& w, uint8_t kind, Vec2 pos, uint8_t a = 0, uint8_t b = 0, float value = 0) {
    if (WorldEvent* e = push_event(w, kind)) {
        e->pos = pos;
        e->a = a;
        e->b = b;
        e->value = value;
    }
}

// A slot byte that may come from the wire: only 0..7 names a plane.
constexpr bool is_slot(uint8_t s) { return s < MAX_PLANES; }

// Bit s set when slot s's plane is in use.
inline uint8_t planes_in_use_mask(const World& w) {
    uint8_t mask = 0;
    for (int s = 0; s < MAX_PLANES; ++s) {
        if (w.planes[s].in_use) mask = static_cast<uint8_t>(mask | (1u << s));
    }
    return mask;
}

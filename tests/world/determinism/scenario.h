#pragma once
// A scripted game of eight players around the sun and three planets, long
// enough to pass through everything the step does: flight, guns, hooks, every
// purchase, collectors gathering in orbit (an upgraded one from a planet and
// from the sun), turrets, a station pulling what it holds and upgrading it,
// crashes, contacts set up to meet the collision rules' clips and ties, a hook
// grazing a hull, entries freed while hooked or holding and then reused,
// respawns, a win, the round-over wait, a restart and an exit vessel in the
// sun's heat. Its hashes fold in the world after every tick, so a rule that
// acts only for a moment still leaves its mark.
#include <cstdint>

constexpr int SCENARIO_TICKS = 21000;
constexpr int SCENARIO_HASH_EVERY = 1000;
constexpr int SCENARIO_HASHES = SCENARIO_TICKS / SCENARIO_HASH_EVERY;

// What happened, counted from the events and from the world before and after
// each step, so that the scenario cannot quietly lose what it is meant to cover.
struct ScenarioMilestones {
    int credited_gathers = 0;
    int upgraded_gathers = 0;  // by an upgraded collector, from a planet
    int sun_gathers = 0;       // sun resource credited
    int upgrades = 0;
    int turret_shots = 0;
    int plane_shots = 0;
    int hook_catches = 0;
    int station_captures = 0;
    int station_pulls = 0;     // ticks with a held object beyond its rope radius
    int boardings = 0;
    int impacts = 0;
    int shot_hits = 0;
    int shield_breaks = 0;
    int heated_vessels = 0;    // ticks with an exit vessel in the sun's heat
    int freed_hooks = 0;       // hooks whose object was freed under them
    int freed_links = 0;       // held objects whose station was freed
    int reused_entries = 0;
    int wins = 0;
    int deaths = 0;
    int respawns = 0;
    int restarts = 0;
    int purchases[8] = {};  // by item
};

struct ScenarioResult {
    uint64_t hashes[SCENARIO_HASHES];
    ScenarioMilestones seen;
    // The first invariant the world broke after a step (validate_world), and when.
    const char* fault = nullptr;
    int fault_tick = -1;
};

ScenarioResult run_scenario();

#pragma once
// A scripted game of eight players around the sun and three planets, long
// enough to pass through everything the step does: flight, guns, hooks, every
// purchase, collectors gathering in orbit, turrets, an upgrade, crashes,
// respawns, a win, the round-over wait and a restart.
#include <cstdint>

constexpr int SCENARIO_TICKS = 21000;
constexpr int SCENARIO_HASH_EVERY = 1000;
constexpr int SCENARIO_HASHES = SCENARIO_TICKS / SCENARIO_HASH_EVERY;

// What happened, counted from the events, so that the scenario cannot quietly
// lose what it is meant to cover.
struct ScenarioMilestones {
    int credited_gathers = 0;
    int upgrades = 0;
    int turret_shots = 0;
    int plane_shots = 0;
    int hook_catches = 0;
    int station_captures = 0;
    int boardings = 0;
    int impacts = 0;
    int shot_hits = 0;
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

// Runs the scripted game, checks the world's invariants after every step and
// compares the world's hash every 1000 ticks with the values recorded in
// determinism_golden.h. The same sources are built at
// -O0 and at -O2, and both must reproduce the recorded values bit for bit.
// `--print` prints the values of this build in the golden file's format.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "determinism_golden.h"
#include "scenario.h"

namespace {

struct Milestone {
    const char* what;
    int seen;
    int needed;
};

bool check_milestones(const ScenarioMilestones& m) {
    const Milestone list[] = {
        {"gathers credited to an owner", m.credited_gathers, 10},
        {"gathers by an upgraded collector", m.upgraded_gathers, 1},
        {"sun resource gathered", m.sun_gathers, 1},
        {"upgrades finished by a station", m.upgrades, 1},
        {"turret shots", m.turret_shots, 1},
        {"plane shots", m.plane_shots, 100},
        {"hooks attached", m.hook_catches, 2},
        {"objects captured by a station", m.station_captures, 2},
        {"ticks of a station pulling", m.station_pulls, 100},
        {"boardings started", m.boardings, 1},
        {"impacts", m.impacts, 1},
        {"shot hits", m.shot_hits, 10},
        {"shields broken", m.shield_breaks, 1},
        {"ticks of an exit vessel in the heat", m.heated_vessels, 1},
        {"hooks let go of a freed object", m.freed_hooks, 1},
        {"objects let go by a freed station", m.freed_links, 1},
        {"freed entries reused", m.reused_entries, 2},
        {"won rounds", m.wins, 1},
        {"deaths", m.deaths, 8},
        {"respawns", m.respawns, 1},
        {"restarts", m.restarts, 1},
        {"turrets bought", m.purchases[1], 1},
        {"shields bought", m.purchases[2], 1},
        {"radars bought", m.purchases[3], 1},
        {"minimaps bought", m.purchases[4], 1},
        {"sun shields bought", m.purchases[5], 1},
        {"stations bought", m.purchases[6], 1},
        {"exit vessels bought", m.purchases[7], 1},
    };
    bool ok = true;
    for (const Milestone& s : list) {
        bool met = s.seen >= s.needed;
        std::printf("%-40s %6d%s\n", s.what, s.seen, met ? "" : "   NOT REACHED");
        ok = ok && met;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    ScenarioResult r = run_scenario();
    if (argc > 1 && std::strcmp(argv[1], "--print") == 0) {
        for (uint64_t h : r.hashes) std::printf("    0x%016" PRIx64 "ull,\n", h);
        check_milestones(r.seen);
        if (r.fault) std::printf("tick %d: the world broke an invariant: %s\n", r.fault_tick, r.fault);
        return 0;
    }
    bool ok = check_milestones(r.seen);
    if (r.fault) {
        std::printf("tick %d: the world broke an invariant: %s\n", r.fault_tick, r.fault);
        ok = false;
    }
    for (int i = 0; i < SCENARIO_HASHES; ++i) {
        if (r.hashes[i] == DETERMINISM_GOLDEN[i]) continue;
        std::printf("tick %d: hash 0x%016" PRIx64 ", recorded 0x%016" PRIx64 "\n", (i + 1) * SCENARIO_HASH_EVERY,
                    r.hashes[i], DETERMINISM_GOLDEN[i]);
        ok = false;
    }
    std::printf("%s\n", ok ? "deterministic: every hash matches the recorded game" : "FAILED");
    return ok ? 0 : 1;
}

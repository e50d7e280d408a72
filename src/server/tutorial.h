#pragma once
// The tutorial: a server session inside the client, around an empty world,
// with a ten-step script that watches the player and adds the next things to
// learn about (a collector and a planet, another player's collector, two more
// planets, the sun).
#include <cstdint>

#include "server/server_session.h"

// What the client shows when the session's memory can't be had.
constexpr const char* TUTORIAL_MEMORY_MESSAGE = "Not enough memory for the tutorial";

// Script constants, in world units.
constexpr float TUTORIAL_COLLECTOR_DISTANCE = 250.0f;
constexpr float TUTORIAL_PLANET_DISTANCE = 1650.0f;
constexpr float TUTORIAL_PLANET_SPACING = 2500.0f;
constexpr float TUTORIAL_FORWARD_PENALTY = 800.0f;
constexpr float TUTORIAL_BODY_CLEARANCE = 1250.0f;
constexpr float TUTORIAL_OBJECT_CLEARANCE = 150.0f;
constexpr float TUTORIAL_SUN_EDGE_MARGIN = 380.0f;
constexpr float TUTORIAL_SUN_CLEARANCE = 3200.0f;
constexpr uint8_t TUTORIAL_SHOTS_NEEDED = 5;

// The lessons, as `TutorialState::step` holds them.
enum TutorialStep : uint8_t {
    TUTORIAL_FLYING = 0,
    TUTORIAL_SHOOTING = 1,
    TUTORIAL_HAULING = 2,
    TUTORIAL_BUYING = 3,
    TUTORIAL_STEALING = 4,
    TUTORIAL_GATHERING = 5,
    TUTORIAL_UPGRADING = 6,
    TUTORIAL_SUN = 7,
    TUTORIAL_EXIT_VESSEL = 8,
    TUTORIAL_WON = 9,
};

// A session around the fixed layout emptied of objects, with the tutorial's
// rules (gather amount 5, collectors back after 3 s) and its script switched
// on. Null when the memory can't be had; the caller then shows
// TUTORIAL_MEMORY_MESSAGE. Free it with destroy_session.
ServerSession* create_tutorial_session();

// The script, run by the session after the snapshots of every tick: restarts
// the world when a won round's countdown has run out, otherwise advances the
// current step when the player has done what it asks.
void tutorial_tick(ServerSession& session);

// The current lesson, for the interface.
inline uint8_t tutorial_step(const ServerSession& session) { return session.tutorial.step; }

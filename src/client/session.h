#pragma once
// Everything the application keeps about the game being played: whether a
// session runs and against what, the link, the client session, the purchase
// waiting for the next tick, the HUD values, the notifications, the chat line
// being typed. No window is needed: the interface samples the keyboard and
// hands the controls in, and plugs the sound and the visual effects in
// through SessionHooks.
#include <cstdint>
#include <string_view>

#include "client/server_list.h"
#include "client/chat.h"
#include "client/client_session.h"
#include "client/controls.h"
#include "client/hud_values.h"
#include "client/notifications.h"
#include "client/server_link.h"
#include "bots/skills.h"
#include "world/vec2.h"

struct Session {
    bool active = false;
    bool tutorial = false;
    bool practice = false;  // against bots on a server in this process
    ServerLink link;
    char server_text[MAX_SERVER_TEXT] = {};  // the chosen server, as listed
    uint16_t server_text_length = 0;
    ClientSession client;
    uint8_t pending_buy = 0;  // 0 none, 1..7 the item the next tick buys
    HudValues hud;
    NotificationList notifications;
    ChatInput chat;
    ConnectionState announced_state = ConnectionState::Connecting;

    std::string_view server_name() const { return {server_text, server_text_length}; }
};

// What a session tick hands to the parts that live with the window.
struct SessionHooks {
    void* user = nullptr;
    // After the HUD values: the visual effects' update from the tick's world.
    void (*effects)(void* user, const Session& s) = nullptr;
    // Last in the tick, after the effects so that the tick's break-ups are
    // heard in the same tick: the engine sounds, and the sound cues of the
    // tick's world events. Leave null when playing without sound.
    void (*sounds)(void* user, const Session& s, Vec2 camera_centre) = nullptr;
};

// Starts an online game against the server of `entry`. Refuses, with a
// notification, an entry without an address, one known to run another
// version of the game, and a network that won't give a socket. True when the
// session started (the caller then shows the game).
bool start_online_session(Session& s, const ServerEntry& entry);

// Starts the tutorial against a server hosted in this process. False, with a
// notification, when its memory can't be had.
bool start_tutorial(Session& s);

// Starts a practice game against three bots of `skill` on the random map of
// `seed`, on a server hosted in this process. False, with a notification,
// when its memory can't be had.
bool start_practice(Session& s, BotSkill skill, uint64_t seed);

// Ends the session, if one runs: a joined online client says goodbye, the
// tutorial's server is freed. The chat input is closed; the caller stops the
// platform's text input and returns to the menu.
void leave_session(Session& s);

// One frame of an active session: collects the server's datagrams, runs the
// whole ticks in `tick_accumulator` with `controls` (the same for every tick
// of the frame; only the first tick carries the purchase), announces what
// happened, and moves the camera.
void session_frame(Session& s, const Controls& controls, float& tick_accumulator, Vec2& camera_centre,
                   const SessionHooks& hooks = {});

// Once per frame after the ticks: a change of the online connection's state,
// the players that joined, left and were destroyed, then the relayed chat
// lines; session_frame runs it.
void announce(Session& s);

// Enter in the chat input: an empty line just closes it. A valid line is
// queued (and sent at once when nothing else is waiting) while the session
// is joined with fewer than four lines pending; otherwise the player is told
// to try again. A line that is not valid text is dropped silently. The input
// is closed in every case; the caller stops the platform's text input.
void submit_chat(Session& s);

// One session tick; session_frame runs it once per whole tick.
void session_tick(Session& s, const Controls& controls, Vec2 camera_centre, const SessionHooks& hooks = {});

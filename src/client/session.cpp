#include "client/session.h"

#include <algorithm>
#include <cstring>

#include "client/announce.h"
#include "server/practice.h"
#include "server/server_session.h"
#include "server/tutorial.h"

namespace {

bool joined(const Session& s) { return s.client.state == ConnectionState::Joined; }

void keep_server_text(Session& s, std::string_view text) {
    s.server_text_length = static_cast<uint16_t>(std::min(text.size(), sizeof s.server_text));
    std::memcpy(s.server_text, text.data(), s.server_text_length);
}

// What every session start does once the link is open.
void begin(Session& s) {
    reset_client_session(s.client);
    s.announced_state = ConnectionState::Connecting;
    s.hud = HudValues{};
    close_chat(s.chat);
    s.pending_buy = 0;
}

void follow_own_plane(const Session& s, Vec2& camera_centre) {
    const ClientSession& c = s.client;
    if (!joined(s)) {
        camera_centre = c.world.size * 0.5f;
        return;
    }
    if (c.own_slot >= MAX_PLANES) return;
    const Plane& own = c.world.planes[c.own_slot];
    if (own.in_use && !own.dead) camera_centre = displayed_position(c, static_cast<int>(c.own_slot));
}

}  // namespace

bool start_online_session(Session& s, const ServerEntry& entry) {
    const std::string_view name = entry.name();
    if (!entry.has_endpoint) {
        notify(s.notifications, REFUSAL_COLOUR, {"Can't find ", name});
        return false;
    }
    if (entry.status.load(std::memory_order_acquire) == ServerStatus::Answered && entry.result.answered &&
        !entry.result.compatible) {
        notify(s.notifications, REFUSAL_COLOUR, {name, " runs a different version of the game"});
        return false;
    }
    if (s.active) leave_session(s);
    const LinkError error = open_online(s.link, entry.endpoint);
    if (error != LinkError::None) {
        notify(s.notifications, REFUSAL_COLOUR, {"Can't connect: ", link_error_name(error)});
        return false;
    }
    s.active = true;
    s.tutorial = false;
    s.practice = false;
    keep_server_text(s, name);
    begin(s);
    // Protocol 21 when the server's status says it speaks it, 20 when it
    // answered an older version; a server not heard from yet is tried with
    // 21, then 20.
    const bool answered = entry.status.load(std::memory_order_acquire) == ServerStatus::Answered && entry.result.answered;
    if (answered) {
        const bool speaks_21 = entry.result.version >= PROTOCOL_VERSION_21;
        choose_protocol(s.client, speaks_21 ? PROTOCOL_VERSION_21 : PROTOCOL_VERSION, true);
    } else {
        choose_protocol(s.client, PROTOCOL_VERSION_21, false);
    }
    notify(s.notifications, INFO_COLOUR, {"Connecting to ", name});
    return true;
}

bool start_tutorial(Session& s) {
    ServerSession* server = create_tutorial_session();
    if (!server) {
        notify(s.notifications, REFUSAL_COLOUR, {TUTORIAL_MEMORY_MESSAGE});
        return false;
    }
    if (s.active) leave_session(s);
    s.active = true;
    s.tutorial = true;
    s.server_text_length = 0;
    open_in_process(s.link, server);
    begin(s);
    return true;
}

bool start_practice(Session& s, BotSkill skill, uint64_t seed) {
    ServerSession* server = create_practice_session(seed, skill);
    if (!server) {
        notify(s.notifications, REFUSAL_COLOUR, {PRACTICE_MEMORY_MESSAGE});
        return false;
    }
    if (s.active) leave_session(s);
    s.active = true;
    s.practice = true;
    s.server_text_length = 0;
    open_in_process(s.link, server);
    begin(s);
    return true;
}

void leave_session(Session& s) {
    if (s.active) close(s.link, joined(s));
    s.server_text_length = 0;
    s.active = false;
    s.tutorial = false;
    s.practice = false;
    reset_client_session(s.client);
    close_chat(s.chat);
}

void announce(Session& s) {
    if (s.active && !s.tutorial && !s.practice) announce_connection(s.notifications, s.client, s.server_name(), s.announced_state);
    announce_players(s.notifications, s.client);
    announce_chat(s.notifications, s.client);
}

void submit_chat(Session& s) {
    const std::string_view text(s.chat.text, s.chat.length);
    if (!text.empty()) {
        const bool valid = is_valid_text(text);
        ClientSession& c = s.client;
        const bool can_send = s.active && c.state == ConnectionState::Joined && c.pending_count < CHAT_PENDING;
        if (can_send && valid) queue_chat_line(c, s.link, text);
        if (!can_send && valid) notify(s.notifications, REFUSAL_COLOUR, {CHAT_REFUSAL});
    }
    close_chat(s.chat);
}

void session_tick(Session& s, const Controls& controls, Vec2 camera_centre, const SessionHooks& hooks) {
    InputByte input{controls.turn_left, controls.turn_right, controls.thrust, controls.fire, controls.hook_key,
                    s.pending_buy};
    s.pending_buy = 0;

    ClientSession& c = s.client;
    advance_client(c, s.link, input);
    if (s.link.kind == LinkKind::InProcess && s.link.session) {
        ServerSession& server = *s.link.session;
        server_tick(server);
        // The host knows which slots its bots hold; the client names them so.
        c.bot_mask = 0;
        for (int i = 0; i < MAX_PLANES; ++i) c.bot_mask |= static_cast<uint8_t>(server.slots[i].bot << i);
    }
    if (joined(s)) notify_world_events(s.notifications, c);
    update_hud(s.hud, c.world, joined(s), c.own_slot);
    if (hooks.effects) hooks.effects(hooks.user, s);
    if (hooks.sounds) hooks.sounds(hooks.user, s, camera_centre);
}

void session_frame(Session& s, const Controls& controls, float& tick_accumulator, Vec2& camera_centre,
                   const SessionHooks& hooks) {
    receive_from_server(s.client, s.link);
    while (tick_accumulator >= TICK) {
        session_tick(s, controls, camera_centre, hooks);
        age_notifications(s.notifications);
        tick_accumulator -= TICK;
    }
    announce(s);
    follow_own_plane(s, camera_centre);
}

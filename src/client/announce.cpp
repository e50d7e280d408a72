#include "client/announce.h"

#include "base/color.h"

namespace {

// How a line names the player in `slot`: "Player N" (or "player N" inside a
// sentence), "Bot N" for a slot the client knows to be a computer player.
const char* name_of(const ClientSession& c, uint8_t slot, bool first_word) {
    if (is_slot(slot) && (c.bot_mask >> slot & 1u)) return "Bot ";
    return first_word ? "Player " : "player ";
}

// ---- world events ------------------------------------------------------------

void notify_purchase(NotificationList& list, const World& w, uint8_t item) {
    switch (item) {
    case ITEM_TURRET: notify(list, INFO_COLOUR, {"Turret ready"}); break;
    case ITEM_SHIELD: notify(list, INFO_COLOUR, {"Shield up"}); break;
    case ITEM_RADAR: notify(list, INFO_COLOUR, {"Radar on: arrows at the edges point to what's off screen"}); break;
    case ITEM_MINIMAP: notify(list, INFO_COLOUR, {"Minimap on: Tab hides and shows it"}); break;
    case ITEM_SUN_SHIELD:
        notify(list, INFO_COLOUR, {"Sun shield up: the sun can't hurt you until you're destroyed"});
        break;
    case ITEM_UPGRADE_STATION:
        notify(list, INFO_COLOUR, {"Upgrade station ready: bring collectors into its sphere"});
        break;
    case ITEM_EXIT_VESSEL:
        notify(list, GOLD_COLOUR,
               {"Exit vessel ready: stay in it with ", decimal(w.rules.win_amount), " of each resource to win"});
        break;
    default: break;
    }
}

void notify_win(NotificationList& list, const ClientSession& c, uint8_t winner) {
    if (winner == c.own_slot) {
        notify(list, GOLD_COLOUR, {"You win!"});
        return;
    }
    notify(list, player_colour(c.world, winner), {name_of(c, winner, true), decimal(winner + 1u), " wins"});
}

void notify_upgrade(NotificationList& list, uint8_t kind) {
    if (kind == OBJECT_TURRET) {
        notify(list, UPGRADE_COLOUR, {"A turret of yours was upgraded: twice the health, and it hits twice as hard"});
    } else {
        notify(list, UPGRADE_COLOUR,
               {"A collector of yours was upgraded: it gathers twice as fast, and can orbit the sun"});
    }
}

// "You were destroyed by player 3", "Player 2 burned up in the sun", ...
void announce_destroyed(NotificationList& list, const ClientSession& c, uint8_t victim) {
    const World& w = c.world;
    const uint64_t own = c.own_slot;
    const uint8_t killer = w.planes[victim].killer;
    const bool own_victim = victim == own;
    const DecimalText victim_number = decimal(victim + 1u);
    if (is_slot(killer)) {
        const Color colour = player_colour(w, killer);
        const DecimalText killer_number = decimal(killer + 1u);
        if (own_victim) {
            notify(list, colour, {"You were destroyed by ", name_of(c, killer, false), killer_number});
        } else if (killer == own) {
            notify(list, colour, {"You destroyed ", name_of(c, victim, false), victim_number});
        } else {
            notify(list, colour,
                   {name_of(c, killer, true), killer_number, " destroyed ", name_of(c, victim, false), victim_number});
        }
        return;
    }
    const Color colour = own_victim ? INFO_COLOUR : player_colour(w, victim);
    const char* what = nullptr;
    switch (killer) {
    case KILL_SUN:
        if (own_victim) notify(list, colour, {"You burned up in the sun"});
        else notify(list, colour, {name_of(c, victim, true), victim_number, " burned up in the sun"});
        return;
    case KILL_OBJECT: what = "a resource collector"; break;
    case KILL_PLANET: what = "a planet"; break;
    default: return;  // left behind at a win, or a cause this client does not know
    }
    if (own_victim) notify(list, colour, {"You crashed into ", what});
    else notify(list, colour, {name_of(c, victim, true), victim_number, " crashed into ", what});
}

}  // namespace

void announce_connection(NotificationList& list, const ClientSession& c, std::string_view server_name,
                         ConnectionState& announced) {
    if (c.state == announced) return;
    switch (c.state) {
    case ConnectionState::Joined:
        notify(list, INFO_COLOUR, {"Joined ", server_name, " as player ", decimal(c.own_slot + 1)});
        break;
    case ConnectionState::Full: notify(list, INFO_COLOUR, {server_name, " is full"}); break;
    case ConnectionState::Connecting:
        notify(list, INFO_COLOUR, {"Lost connection to ", server_name, ", reconnecting"});
        break;
    }
    announced = c.state;
}

void announce_players(NotificationList& list, ClientSession& c) {
    const World& w = c.world;
    for (uint8_t i = 0; i < MAX_PLANES; ++i) {
        const uint8_t bit = static_cast<uint8_t>(1u << i);
        const char* name = name_of(c, i, true);
        if (c.joined_mask & bit) notify(list, player_colour(w, i), {name, decimal(i + 1u), " joined"});
        if (c.left_mask & bit) notify(list, INFO_COLOUR, {name, decimal(i + 1u), " left"});
        if ((c.destroyed_mask & bit) && w.planes[i].in_use) announce_destroyed(list, c, i);
    }
    c.joined_mask = 0;
    c.left_mask = 0;
    c.destroyed_mask = 0;
}

void announce_chat(NotificationList& list, ClientSession& c) {
    for (int i = 0; i < c.received_count; ++i) {
        const ChatLine& line = c.received[i];
        const std::string_view text(line.text, line.length);
        if (is_slot(line.sender)) {
            notify(list, player_colour(c.world, line.sender), {"Player ", decimal(line.sender + 1u), ": ", text},
                   CHAT_HOLD);
        } else {
            notify(list, INFO_COLOUR, {"Server: ", text}, CHAT_HOLD);
        }
    }
    c.received_count = 0;
}

Color player_colour(const World& world, uint8_t slot) {
    if (!is_slot(slot) || !world.planes[slot].in_use) return INFO_COLOUR;
    return player_color(slot);
}

void notify_world_events(NotificationList& list, const ClientSession& c) {
    const World& w = c.world;
    const uint64_t count = w.event_count < MAX_EVENTS ? w.event_count : MAX_EVENTS;
    for (uint64_t i = 0; i < count; ++i) {
        const WorldEvent& e = w.events[i];
        if (e.kind == EVENT_PURCHASE && e.a == c.own_slot) notify_purchase(list, w, e.b);
    }
    for (uint64_t i = 0; i < count; ++i) {
        const WorldEvent& e = w.events[i];
        if (e.kind == EVENT_ROUND_WON) notify_win(list, c, e.a);
    }
    for (uint64_t i = 0; i < count; ++i) {
        const WorldEvent& e = w.events[i];
        if (e.kind == EVENT_UPGRADED && e.a == c.own_slot) notify_upgrade(list, e.b);
    }
}

#pragma once
// Turning what happens in the game into notifications: purchases, wins and
// upgrades from a tick's world events; the connection's state, players who
// joined, left or were destroyed, and relayed chat lines once per frame.
#include <cstdint>
#include <string_view>

#include "client/client_session.h"
#include "client/notifications.h"

// The colour of lines about player `slot`: its player colour while its plane
// is in use in the client's world, the information colour otherwise.
Color player_colour(const World& world, uint8_t slot);

// After a tick's step of a joined client: the own purchases, every win, then
// the upgrades of own objects, in that order.
void notify_world_events(NotificationList& list, const ClientSession& c);

// The three announcements of a frame, in this order (the session's
// `announce` runs them after the ticks):
// a change of an online connection's state since `announced`, which follows it;
void announce_connection(NotificationList& list, const ClientSession& c, std::string_view server_name,
                         ConnectionState& announced);
// the players that joined, left and were destroyed (the masks are emptied);
void announce_players(NotificationList& list, ClientSession& c);
// the relayed chat lines (the queue is emptied).
void announce_chat(NotificationList& list, ClientSession& c);

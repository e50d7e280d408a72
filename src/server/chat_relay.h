#pragma once
// A player's chat line: taken once however often it arrives, logged, and
// relayed twice to every player who plays.
#include <cstdint>

#include "net/messages.h"
#include "server/session_state.h"

void handle_chat(ServerSession& session, uint8_t index, const ChatSend& chat);

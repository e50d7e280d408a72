#pragma once
// One tick of a plane's controls as the step reads them from the plane: the
// five keys and the shop item to buy on this tick. A client's inputs (the
// wire's input byte), the server's input ring and the bots' decisions all
// speak this record.
#include <cstdint>

#include "world/world.h"

struct PlaneInput {
    bool turn_left = false;
    bool turn_right = false;
    bool thrust = false;
    bool fire = false;
    bool hook_key = false;
    uint8_t buy_item = ITEM_NONE;
};

inline PlaneInput plane_input(const Plane& p) {
    return PlaneInput{p.turn_left, p.turn_right, p.thrust, p.fire, p.hook_key, p.buy_item};
}

inline void set_plane_input(Plane& p, const PlaneInput& in) {
    p.turn_left = in.turn_left;
    p.turn_right = in.turn_right;
    p.thrust = in.thrust;
    p.fire = in.fire;
    p.hook_key = in.hook_key;
    p.buy_item = in.buy_item;
}

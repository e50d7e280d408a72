#pragma once
// The five flight controls as read from the keyboard once per frame. The
// sixth, the item to buy, comes from the shop and rides on one tick only.
struct Controls {
    bool turn_left = false;
    bool turn_right = false;
    bool thrust = false;
    bool fire = false;
    bool hook_key = false;
};

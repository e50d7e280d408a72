#pragma once
// Parts of the App record whose behaviour belongs to the client session and
// the interface. They hold what the shell needs today; the code that gives
// them their behaviour replaces each record here with its own (and may move it
// into its own header).
#include <cstdint>

enum class Screen : uint8_t {
    MainMenu = 0,
    ServerList = 1,
    Settings = 2,
    Playing = 3,
};

struct ShopOverlay {
    bool open = false;
    uint8_t selected = 0;  // 0..6
};

struct LeaveDialog {
    bool open = false;
    uint8_t selection = 0;  // 0 "Stay", 1 "Leave"
};

// The session, its HUD values, notifications and chat input are the client's:
// client/session.h.
// The visual effect lists (`EffectLists`) are the renderer's: render/effects.h.

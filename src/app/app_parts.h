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

enum class ConnectionState : uint8_t {
    Connecting = 0,
    Joined = 1,
    Full = 2,
};

// The current game session: online against a remote server, or the tutorial
// against the server hosted in this process. Filled in by the client session.
struct SessionSlot {
    bool active = false;
    bool tutorial = false;
};

struct ShopOverlay {
    bool open = false;
    uint8_t selected = 0;  // 0..6
};

struct LeaveDialog {
    bool open = false;
    uint8_t selection = 0;  // 0 "Stay", 1 "Leave"
};

constexpr int CHAT_TEXT_CAPACITY = 80;

struct ChatInput {
    bool typing = false;
    char text[CHAT_TEXT_CAPACITY] = {};
    uint8_t length = 0;
};

struct HudValues {
    float health_bar = 1.0f;
    float damage_trail = 1.0f;
};

// The visual effect lists (`EffectLists`) are the renderer's: render/effects.h.

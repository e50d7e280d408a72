#pragma once
// Window sizes offered by the settings, and applying the display settings.
#include <cstdint>

struct App;

struct Resolution {
    int width;
    int height;
};

constexpr int RESOLUTION_COUNT = 5;
// In window coordinates.
constexpr Resolution RESOLUTIONS[RESOLUTION_COUNT] = {
    {960, 540}, {1280, 720}, {1600, 900}, {1920, 1080}, {2560, 1440},
};

// Borderless fullscreen at the desktop's size, or a centred window of the
// chosen resolution. Results are not checked: a refused change leaves the
// window as it was.
void apply_display_settings(App& app);

#pragma once
// Applying the display settings to the window (the sizes offered are the
// interface's RESOLUTIONS, client/interface.h).
struct App;

// Borderless fullscreen at the desktop's size, or a centred window of the
// chosen resolution. Results are not checked: a refused change leaves the
// window as it was.
void apply_display_settings(App& app);

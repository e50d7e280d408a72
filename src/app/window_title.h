#pragma once
// The window's title, set once per frame from the game's state.
struct App;

void update_window_title(App& app);

#pragma once
// The tutorial's lesson text at the top of the view, one set of lines per
// step of the tutorial's script.
#include <cstdint>
#include <string_view>

#include "render/layout.h"

struct Renderer;

constexpr int TUTORIAL_STEPS = 10;
constexpr int TUTORIAL_MAX_LINES = 4;

struct TutorialLines {
    std::string_view lines[TUTORIAL_MAX_LINES];
    int count;
};

// The lines of a step; any step outside 0..9 shows step 0's.
const TutorialLines& tutorial_lines(uint8_t step);

// The first line large and gold, the others below it, all centred.
void draw_tutorial_panel(Renderer& r, const UiLayout& l, uint8_t step);

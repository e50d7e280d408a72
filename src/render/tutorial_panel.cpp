#include "render/tutorial_panel.h"

#include <cmath>

#include "render/labels.h"
#include "render/ui_colors.h"

namespace {

constexpr TutorialLines LESSONS[TUTORIAL_STEPS] = {
    {{"Welcome to skorvia! First, flying.", "Up thrusts, Left and Right turn. Try all three."}, 2},
    {{"Now shooting.", "Press Space to shoot. Fire a few shots."}, 2},
    {{"A resource collector appeared near you, and a planet beyond it.",
      "The hauling tool fires backward from your plane's nose: turn away from the collector and press Shift.",
      "Tow it into orbit around the planet, then let go with Shift. In orbit it gathers resources.",
      "Don't shoot it! If you do, a new one appears where it was after a few seconds."},
     4},
    {{"You have enough resources to buy something.", "Press Enter to open the shop, and pick something."}, 2},
    {{"Stealing collectors.", "A collector that belongs to another player appeared near you.",
      "Hook anyone's collector with your hauling tool and it becomes yours: what it gathers goes to you.",
      "Others can do the same to yours, so keep an eye on them. Hook this one to steal it."},
     4},
    {{"Two more planets appeared, each with its own resource.",
      "Haul a collector into orbit around each planet, until you have 20 of each resource.",
      "Purchases take whichever resources you have most of."},
     3},
    {{"Next, buy an upgrade station [6].",
      "It upgrades collectors brought into its sphere, so they gather twice as fast.",
      "Stations drift away from planets: haul a collector out of orbit and into its sphere."},
     3},
    {{"Your collector is upgraded, and a sun appeared.",
      "Upgraded collectors survive its heat: tow yours into orbit around it until you have 50 sun resources.",
      "The heat hurts you near the sun: a sun shield [5] helps. Touching the sun destroys anything."},
     3},
    {{"Last, buy the exit vessel [7] with your sun resources.",
      "Fly into it carrying 15 of each resource, and stay inside for 5 seconds to win the game."},
     2},
    {{"You won! That's everything.",
      "The tutorial starts over when the countdown ends. Press Escape to leave it."},
     2},
};

}  // namespace

const TutorialLines& tutorial_lines(uint8_t step) { return LESSONS[step < TUTORIAL_STEPS ? step : 0]; }

void draw_tutorial_panel(Renderer& r, const UiLayout& l, uint8_t step) {
    const TutorialLines& lesson = tutorial_lines(step);
    const float centre = l.bx + l.bw / 2;
    const float title_px = std::round(22 * l.u);
    float baseline = l.by + 24 * l.u + title_px;
    draw_label_centred(r, lesson.lines[0], centre, baseline, {title_px, UI_GOLD_COLOR, l.shadow, 1, true});
    baseline += 6 * l.u;
    for (int i = 1; i < lesson.count; ++i) {
        baseline += l.line_height;
        draw_label_centred(r, lesson.lines[i], centre, baseline, {l.body_px, TEXT_COLOR, l.shadow, 1, true});
    }
}

#pragma once
// The interface's texts of one frame as they were laid out: what each label
// says, where and how large it is drawn, and the box its glyphs cover. Tests
// read it to check the texts a player sees; the drawing sets its cover to keep
// HUD texts off an open overlay.
#include <cstdint>
#include <string_view>

#include "base/color.h"
#include "client/layout.h"

constexpr int MAX_LABELS = 96;
constexpr uint32_t LABEL_TEXT = 128;

struct LabelRecord {
    char text[LABEL_TEXT];
    uint32_t length;  // the bytes kept: a longer text is cut here (the glyphs are not)
    float x, baseline, px;
    Color color;
    Rect ink;  // the box of its glyphs, shadow included; empty when none shows

    std::string_view view() const { return {text, length}; }
};

struct LabelList {
    LabelRecord items[MAX_LABELS];
    int count = 0;  // labels past MAX_LABELS are drawn but not listed
    // While covering, a label whose glyphs would reach into the cover is not
    // drawn (nor listed).
    Rect cover = {};
    bool covering = false;
};

inline bool overlaps(const Rect& a, const Rect& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

#pragma once
// Interface shapes built from screen-space capsules: pills, their outlines,
// framed boxes and fills that rely on the group's scissor for square corners.
#include "render/capsules.h"
#include "render/layout.h"

// A pill: a segment along the rectangle's middle whose radius is half its height.
void push_pill(CapsuleList& list, const Rect& r, Color c);

// The outline of that pill: its top and bottom edges and a half circle of 12
// segments at each end, lines of the given radius.
void push_pill_outline(CapsuleList& list, const Rect& r, float line_radius, Color c);

// Four segments along the rectangle shrunk by `inset` on every side.
void push_frame(CapsuleList& list, const Rect& r, float inset, float line_radius, Color c);

// A fill that covers the rectangle and spills past it: only a scissor at the
// rectangle's edges makes it square.
void push_scissored_fill(CapsuleList& list, const Rect& r, Color c);

// A resource counter's icon: a disc in the colour with a darker middle.
void push_resource_icon(CapsuleList& list, Vec2 centre, float u, Color c);

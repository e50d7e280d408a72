#pragma once
// The looks of planes and objects in the world capsule list: glows, bodies,
// shields, object shapes, upgrade beams and boarding lines.
#include "render/capsules.h"
#include "render/render_copy.h"
#include "world/stations.h"  // station_centre: the sphere's and dome's centre
#include "world/world.h"

void push_gathering_glows(CapsuleList& list, const World& w, Vec2 camera);
void push_engine_flames(CapsuleList& list, const RenderCopy& copy);
void push_vessel_lights(CapsuleList& list, const World& w, Vec2 camera, float time);
void push_sun_shield_glows(CapsuleList& list, const RenderCopy& copy);
void push_shield_halos(CapsuleList& list, const RenderCopy& copy);
void push_planes(CapsuleList& list, const RenderCopy& copy);
void push_shield_bubbles(CapsuleList& list, const RenderCopy& copy);
void push_objects(CapsuleList& list, const World& w, Vec2 camera);
void push_upgrade_beams(CapsuleList& list, const World& w, Vec2 camera);
void push_boarding(CapsuleList& list, const RenderCopy& copy);

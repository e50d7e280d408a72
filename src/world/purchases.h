#pragma once
// Purchases made by a live plane in its update, and the placement of the
// bought turrets, upgrade stations and exit vessels behind the buyer.
#include <cstdint>

#include "world/world.h"

// Takes `cost` units one at a time from whichever pile is largest at that
// moment (ties to the lower index). The caller has checked the sum.
void pay_from_largest(uint32_t resources[RESOURCE_KINDS], uint32_t cost);

// Sum of the three planet resources (wide enough never to wrap).
uint64_t resource_sum(const Plane& p);

// Index of the entry a placement would use (the first free one, else a new one
// at the end), or -1 when the table is full.
int placement_entry(const World& w);

// Places an object of `kind` (turret, station, vessel) for the buyer in the
// given slot. False, with nothing changed, when no entry is available.
bool place_object(World& w, int slot, uint8_t kind);

// Carries out the purchase of `item` by the plane of `slot`; a purchase whose
// condition fails changes nothing.
void purchase(World& w, int slot, uint8_t item);

#pragma once
// The registry's checker: one thread that asks every queued address for its
// status at once, each exchange (connecting, asking, reading the reply line)
// within the registry's check time as a whole, however slowly the other
// side drips. A slow or silent server costs one of CHECK_QUEUE_CAPACITY
// slots until its time is up, never another server's wait. Memory is taken
// once, when the thread starts.
#include "registry/registry.h"

// The thread's body; start_checker (registry.h) runs it.
void run_checker(Registry& registry);

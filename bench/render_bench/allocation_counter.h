#pragma once
// Every allocation through operator new in the rendering benchmarks is
// counted, so a steady state can show that it makes none.

// Allocations made since the program started.
long counted_allocations();

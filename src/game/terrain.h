// What the ground under a moving thing is: a hole to fall through, something
// to climb, a wall to bump into; and whether a thing is a thrown one.
#pragma once

#include <cstdint>

// Each reads the four layers of one cell from `Here`, which the caller fills
// first, counts with `n` and leaves it at 4. Results are exactly 1 or 0.
// `x` is the thing's x: the hole edge forms 44 and 46 count only on the side
// of the cell where the hole is.
int32_t Hole(int32_t x);
int32_t Climb();
int32_t Solid();
// Shots: the player's (64..69) and the turrets' (70).
int32_t Thrown(int32_t t);

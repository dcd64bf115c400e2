// Flag words (badges) and the player's name, which a finished game's record
// takes besides its score; the game makes that record where play ends. The
// record type itself is `Scores` in startup/containers.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "startup/containers.h"

// The name the next finished game is stored under: "Player" at start, the
// newest stored record's name once the history is read, then whatever the
// name entry leaves.
extern std::string MyName;
// Badges earned in the current game: badge n is bit n - 1.
extern int32_t Mybadges;

// 1 when flag n (bit n - 1, n from 1 to 32) of `flags` is set, else 0.
int32_t GetFlag(int32_t flags, int32_t n);
// `flags` with flag n (1 to 30) set to `value` (0 or 1). Bits 30 and 31 of the
// result are always clear: a flag word holds 30 flags.
int32_t SetFlag(int32_t flags, int32_t n, int32_t value);

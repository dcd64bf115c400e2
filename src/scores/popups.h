// Floating score popups drawn by the frame pump, and the badge bits of the
// current game.
#pragma once

#include <cstdint>

// Selects Font slot 3, resets the drawing state, then draws, moves and
// expires the popups of scoreget.
int32_t DrawScores();

// flags with bit n - 1 and bits 30 and 31 cleared, plus value shifted to bit n - 1.
int32_t SetFlag(int32_t flags, int32_t n, int32_t value);

// Badges earned in the current game: badge n is bit n - 1.
extern int32_t Mybadges;

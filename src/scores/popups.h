// Floating score popups: points shown where they were won, rising and fading
// for two seconds over whatever screen follows.
#pragma once

#include <cstdint>

// The flag words and the current game's badges live with the score records.
#include "scores/score_records.h"

// Adds `points` to the running score and starts a popup showing them centred
// on (x, y) in colour (r, g, b). The next DrawScores draws it first.
void Gimme(int32_t points, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);
// Once per frame from the frame pump: selects Font slot 3 and resets the
// drawing state, then moves every popup up a quarter pixel, draws it at
// alpha (frames left) / 120 and retires it after its 120th drawing.
int32_t DrawScores();

// The full-screen backdrop of diagonal stripes that the title, the map, the
// engine speed test and the name entry open their frames with.
#pragma once

// How a stripe takes its colour from the running blue level.
enum class StripeTint {
  kBlue,       // (0, 0, blue)
  kRedToBlue,  // (100 - blue, 0, blue)
};

// Draws the stripes at rotation -45, leaving the rotation set. The blue level
// counts in `blue`, from 50 up by 0.5 per stripe, and is left at the last
// stripe's level: the screens pass their shared scratch `fbf`, the speed test
// a level of its own so it keeps off the font scale that shares that storage.
void DrawStripedBackdrop(float& blue, StripeTint tint = StripeTint::kBlue);

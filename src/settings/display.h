// The display mode switch: the list of usable display sizes, opening the
// display in the requested size and window mode, the virtual screen that
// follows its shape, and the reload of everything that belongs to a display.
#pragma once

#include <cstdint>

// Longest mode list the tables hold (positions 1 to 2499).
constexpr int32_t kMaxResses = 2499;

// 1 while a display switch runs: Apply is ignored and the frame pump opens no
// pause menu meanwhile.
extern int32_t ChangingRes;

// Rebuilds ResolutionW/H and MostResses from the display layer's modes (each
// 16:10, 16:9 or 4:3 size once, in the order first seen) and takes the
// requested size Options[5] x Options[6] when it is listed: Options[4],
// MyScrw and MyScrh follow it. Options[5] and [6] end as the size to open.
void BuildModeList();
// Picks the virtual screen for the real size MyScrw x MyScrh (1280x960,
// 1600x900 for 16:9, 1440x900 for 16:10), sets Options[2] and logs the shape.
void ChooseVirtualScreen();
// Opens the display as the settings ask and reloads the common and game
// assets. Runs at start-up and on every Apply; never nested.
int32_t ChangeRes();

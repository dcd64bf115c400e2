// The game's own pictures and music, as against the common ones: the style
// backdrops, the sprite sheet, the logos, the map pictures and two tunes.
// They belong to the open display and are loaded anew at every opening.
#pragma once

#include <cstdint>
#include <string>

// "gfx.png": 512 frames of 8x16, sharp and filtered.
extern int32_t gfx;
extern int32_t gfxf;
// The map screen's pictures, sharp and filtered.
extern int32_t map_I;
extern int32_t mapb_I;
// The map screen's music.
extern int32_t tune2;

// Highest style number there can be: BG and BG_bit hold slots 0 to 99.
constexpr int32_t kLastStyle = 99;

// "bg" + the style number in three digits + ".png".
std::string StyleFileName(int32_t style);

// Runs the engine speed test on the display just opened, then loads the
// style backdrops (BG, BG_bit, styles), the sprite sheet, the logos, the map
// pictures and the title and map music from the game folder. An object that
// a fresh load replaces is released.
void LoadGame();

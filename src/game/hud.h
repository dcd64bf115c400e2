// The heads-up display: score, health, keys and ammunition, at the three screen widths.
#pragma once

#include <cstdint>
#include <string>

// The panel under the room on 4:3 screens. It opens the display for every
// width: the room's top offset and the drawing scale are set whatever the
// width.
void Hud1280();
// The side panels of 16:9 screens.
void Hud1600();
// The side panels of 16:10 screens; it closes the display for every width
// by setting the drawing scale back to 1.
void Hud1440();

// ---- shared by the three widths ---------------------------------------------------

// The score as the display writes it: twelve digits, zero-filled.
std::string ScoreDigits(int32_t score);
// The health as the display writes it: three digits, zero-filled. Health
// can grow past 999; the display then holds at 999 rather than showing only
// the last three digits.
std::string HealthDigits(int32_t health);
// One slot of the key scan, which walks the slots upward from 0 after
// setting `freeslot` to -1: an empty slot becomes the slot for the next key,
// so the highest empty slot wins; a carried key is drawn with its top-left
// corner at (left, top).
void KeySlot(int32_t slot, int32_t left, int32_t top);
// One slot of the ammunition scan, which walks the slots upward from 0 after
// setting `firekind` and `fireslot` to 0: a loaded slot becomes the firing
// slot, so the highest loaded one wins. Every slot's dot is drawn at (left,
// top), as `u`: 99 and 101 for the two kinds, 100 for anything else.
void AmmoSlot(int32_t slot, int32_t left, int32_t top);
// The two dark blue side panels of a wide screen, `width` pixels each.
void SidePanels(int32_t width);
// Health and score written down the left panel one character under the
// other: health ending at the bottom with every character's right edge at
// `healthright`, score hanging from the top with every character's left edge
// at `scoreleft`.
void VerticalCaptions(int32_t healthright, int32_t scoreleft);

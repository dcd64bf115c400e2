// The editor's style and background selectors for both halves of the room, in the bar left of the zoomed-out view.
#pragma once

#include <cstdint>

// The next style after `style` of `count` styles; unchanged when no style
// picture was found at all.
int32_t NextStyle(int32_t style, int32_t count);
// The other backdrop frame: 0 for 1, 1 for anything else.
int32_t OtherBackdrop(int32_t frame);

void EditStyle();

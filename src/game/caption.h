// The notice line at the top of the screen and the room's title in its box, typed in place when the player clicks it.
#pragma once

#include <cstdint>

// The caption's one-line notice.
extern const char* const kCaptionNotice;
// The last character taken from the typing queue.
extern int32_t a;
// Delete or Backspace presses taken in this frame.
extern int32_t m;

void Caption();

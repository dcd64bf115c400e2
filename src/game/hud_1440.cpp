// On a 16:10 screen the room sits between two narrow dark blue side panels: health and score down the left one, keys and ammunition in the right one.
#include "framework/draw.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kPanelWidth = 80;

// Keys in two columns of ten at the top of the right panel, then the
// ammunition as rows of twelve dots from its bottom right corner upward.
// The scans find the slot for the next key and the slot and kind of the
// next shot.
void KeysAndAmmo() {
  SetCol(255, 255, 255, 1);
  SetSize(3);
  x = 1;
  y = 0;
  playstate.freeslot = -1;
  for (n = 0; n <= 19; ++n) {
    ++y;
    if (y == 11) {
      y = 1;
      ++x;
    }
    KeySlot(n, JScrw - 8 - x * 32, 8 + y * 32);
  }

  SetCol(255, 255, 255, 1);
  SetSize(1);
  x = 0;
  y = 1;
  playstate.firekind = 0;
  playstate.fireslot = 0;
  for (n = 0; n <= 359; ++n) {
    ++x;
    if (x == 13) {
      x = 1;
      ++y;
    }
    AmmoSlot(n, JScrw - 6 - x * 6, JScrh - 20 - y * 6);
  }
}

}  // namespace

void Hud1440() {
  if (JScrw == 1440) {
    playstate.basex = kPanelWidth;
    SidePanels(kPanelWidth);
    VerticalCaptions(75, 5);
    KeysAndAmmo();
  }
  // Whatever the width, the rest of the frame draws at scale 1.
  SetSize(1);
}

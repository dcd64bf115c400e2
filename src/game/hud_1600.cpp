// On a 16:9 screen the room sits between two dark blue side panels: health and score down the left one, keys and ammunition in the right one.
#include "framework/draw.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kPanelWidth = 160;

// Keys in two columns of ten at the top of the right panel, slot 0 at the
// top of the right-hand column; the scan finds the slot for the next key.
void KeyColumn() {
  SetCol(255, 255, 255, 1);
  SetSize(3);
  x = 2;  // column step
  y = 0;  // row step
  playstate.freeslot = -1;
  for (n = 0; n <= 19; ++n) {
    ++y;
    if (y == 11) {
      y = 1;
      ++x;
    }
    KeySlot(n, JScrw - 16 - 32 * x, 32 * y + 8);
  }
}

// The ammunition as a grid of rows of twelve filling from the bottom right
// corner of the right panel leftward and upward; the scan finds the slot and
// kind of the next shot.
void AmmoGrid() {
  SetCol(255, 255, 255, 1);
  SetSize(2);
  x = 0;  // column, counted from the right
  y = 1;  // row, counted from the bottom
  playstate.firekind = 0;
  playstate.fireslot = 0;
  for (n = 0; n <= 359; ++n) {
    ++x;
    if (x == 13) {
      x = 1;
      ++y;
    }
    AmmoSlot(n, JScrw - 10 - 12 * x, JScrh - 36 - 12 * y);
  }
}

}  // namespace

void Hud1600() {
  if (JScrw != 1600) return;
  playstate.basex = kPanelWidth;
  SidePanels(kPanelWidth);
  VerticalCaptions(150, 10);
  KeyColumn();
  AmmoGrid();
}

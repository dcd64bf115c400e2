// On a 4:3 screen a dark blue bar under the room shows the score, the health, the keys carried and every ammunition slot.
#include "framework/draw.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "platform/graphics.h"
#include "settings/common_assets.h"
#include "startup/globals.h"

namespace {

// The first row under the room, which covers rows 1 to 896 at full zoom.
constexpr int32_t kPanelTop = 897;

// Keys in two rows of ten, slot 0 at the right end of the lower row. The
// scan leaves the highest empty slot for the next key, or -1 when all hold
// one; it counts every slot whether or not the icons are drawn.
void KeyStrip() {
  SetCol(255, 255, 255, 1);
  SetSize(3);
  x = 0;
  y = 0;
  playstate.freeslot = -1;
  for (n = 0; n <= 19; ++n) {
    ++x;
    if (x == 11) {
      x = 1;
      ++y;
    }
    KeySlot(n, JScrw - 200 - 32 * x, JScrh - 54 - 32 * y);
  }
}

// All 360 ammunition slots as dots in columns of twelve from the bottom
// right corner leftward. The highest loaded slot is the one the next shot
// spends, and its kind the kind of that shot; both 0 with nothing loaded.
void AmmoStrip() {
  SetCol(255, 255, 255, 1);
  SetSize(1);
  x = 1;
  y = 0;
  playstate.firekind = 0;
  playstate.fireslot = 0;
  for (n = 0; n <= 359; ++n) {
    ++y;
    if (y == 13) {
      y = 1;
      ++x;
    }
    AmmoSlot(n, JScrw - 4 - 6 * x, JScrh - 13 - 5 * y);
  }
}

}  // namespace

void Hud1280() {
  playstate.basey = 1;
  SetSize(1);
  if (JScrw != 1280) return;

  playstate.basex = 0;
  SetCol(0, 0, 80);
  DrawRect(0.0f, static_cast<float>(kPanelTop), static_cast<float>(JScrw), static_cast<float>(JScrh - kPanelTop));
  UseFont(2, 3);
  SetCol(0, 255, 0, 1);
  Text(20, 900, "Score : " + ScoreDigits(pla->score), 0, 0);
  SetCol(255, 255, 0, 1);
  Text(20, 930, "Health : " + HealthDigits(pla->health), 0, 0);
  KeyStrip();
  AmmoStrip();
}

// The wide screens' dark blue side panels with health and score written down them, and the digits, keys and ammunition dots all three widths show.
#include "game/hud.h"

#include <algorithm>

#include "framework/draw.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "settings/common_assets.h"
#include "startup/globals.h"

namespace {

// Rows of the vertical captions, whatever the font's size.
constexpr int32_t kCaptionPitch = 40;
// The wide screens are 900 high.
constexpr float kWideHeight = 900.0f;
constexpr int32_t kShownHealthMost = 999;

}  // namespace

std::string ScoreDigits(int32_t score) { return Right("000000000000" + Str(score), 12); }

std::string HealthDigits(int32_t health) {
  return Right("000" + Str(std::min(health, kShownHealthMost)), 3);
}

void KeySlot(int32_t slot, int32_t left, int32_t top) {
  if (pla->inv[slot] == 0) playstate.freeslot = slot;
  if (pla->inv[slot] > 0) drawimg(gfxf, left, top, pla->inv[slot], kDrawMain);
}

void AmmoSlot(int32_t slot, int32_t left, int32_t top) {
  u = 100;
  if (pla->ammo[slot] == 1) {
    u = 99;
    playstate.firekind = 1;
    playstate.fireslot = slot;
  }
  if (pla->ammo[slot] == 2) {
    u = 101;
    playstate.firekind = 2;
    playstate.fireslot = slot;
  }
  drawimg(gfxf, left, top, u, kDrawGlow);
}

void SidePanels(int32_t width) {
  SetCol(0, 0, 80);
  DrawRect(0.0f, 0.0f, static_cast<float>(width), kWideHeight);
  DrawRect(static_cast<float>(JScrw - width), 0.0f, static_cast<float>(width), kWideHeight);
}

void VerticalCaptions(int32_t healthright, int32_t scoreleft) {
  UseFont(2, 6);

  SetCol(255, 255, 0, 1);
  std::string txt = "Health " + HealthDigits(pla->health);
  int32_t last = static_cast<int32_t>(txt.size());
  for (n = 1; n <= last; ++n) Text(healthright, JScrh - (last - n + 1) * kCaptionPitch, Mid(txt, n, 1), 2, 0);

  SetCol(0, 255, 0, 1);
  txt = "Score " + ScoreDigits(pla->score);
  last = static_cast<int32_t>(txt.size());
  for (n = 1; n <= last; ++n) Text(scoreleft, (n - 1) * kCaptionPitch, Mid(txt, n, 1), 0, 0);
}

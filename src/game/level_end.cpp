#include "game/level_end.h"

#include <string>

#include "framework/draw.h"
#include "framework/globals.h"
#include "game/end_of_play.h"
#include "game/game_state.h"
#include "game/level_start.h"
#include "level/level_browser.h"
#include "platform/list.h"
#include "settings/common_assets.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t kDecisionTick = 120;
constexpr int32_t kHealthStepTick = 2;
constexpr int32_t kAmmoStepTick = 6;
constexpr int32_t kHoverJump = 30;
constexpr int32_t kBonusPerPoint = 5;

// Screen fractions are single-precision constants, multiplied exactly with
// the integer screen size and truncated.
int32_t At(int32_t size, float fraction, double shift = 0.0) {
  return static_cast<int32_t>(static_cast<double>(size) * static_cast<double>(fraction) + shift);
}

void ShadowedLines(double shift) {
  Text(At(JScrw, 0.5f, shift), At(JScrh, 0.15f, shift), txt, 1, 1);
  Text(At(JScrw, 0.35f, shift), At(JScrh, 0.42f, shift), playstate.endline1, 1, 1);
  Text(At(JScrw, 0.65f, shift), At(JScrh, 0.58f, shift), playstate.endline2, 1, 1);
}

void LevelEndBanner() {
  pla->gx = 0;
  pla->jumpx = 0;
  // A completed level holds the player hovering in its jumping frame.
  if (endoflevel == 1) pla->jump = kHoverJump;
  if (endotick == 0) {
    playstate.healthbonus = 0;
    playstate.ammobonus = 0;
  }
  if (endoflevel == 1) {
    txt = "Level Complete";
    playstate.endline1 = "Imra Found";
    playstate.endline2 = "Another Cross";
  } else {
    txt = "Game Over";
    playstate.endline1 = "Poor";
    playstate.endline2 = "Imra";
  }
  ResetDraw();
  UseFont(2, 8);
  SetCol(0, 0, 0, 0.75f);
  ShadowedLines(3.0);
  SetCol(255, 255, 255, 1.0f);
  ShadowedLines(0.0);
  ++endotick;
}

// The bonuses are for the screen only: nothing adds them to the score.
void BonusCountUp() {
  UseFont(2, 4);
  const std::string health = "Health Bonus : " + std::to_string(playstate.healthbonus);
  const std::string ammo = "Ammo Bonus : " + std::to_string(playstate.ammobonus);
  SetCol(0, 0, 0, 0.75f);
  Text(JScrw / 2 + 2, At(JScrh, 0.64f, 2.0), health, 1, 1);
  Text(JScrw / 2 + 2, At(JScrh, 0.69f, 2.0), ammo, 1, 1);
  SetCol(255, 255, 100, 0.75f);
  Text(JScrw / 2, At(JScrh, 0.64f), health, 1, 1);
  SetCol(100, 255, 255, 0.75f);
  Text(JScrw / 2, At(JScrh, 0.69f), ammo, 1, 1);
  // The editor holds health at full every frame, so draining it would never
  // end; its level completes on the ammunition alone.
  if (pla->health > 0 && editmode != 1) {
    --pla->health;
    playstate.healthbonus += kBonusPerPoint;
    endotick = kHealthStepTick;
  }
  if (playstate.firekind > 0 && endotick > kAmmoStepTick) {
    pla->ammo[playstate.fireslot] = 0;
    playstate.ammobonus += playstate.firekind * kBonusPerPoint;
    endotick = kAmmoStepTick;
  }
}

void NextLevel(const std::shared_ptr<game>& next) {
  Uselevel = next;
  playstate.loopexit = 0;
  ResetLevelCounters();
  PutPlayerAtStart();
  StartLevel();
}

void NextLevelDecision() {
  if (endotick < kDecisionTick) return;
  playstate.loopexit = 1;
  ++playstate.levelstep;
  if (endoflevel != 1) return;
  if (auto next = NextLevelAfter(GameMode, playstate.levelstep)) NextLevel(next);
}

}  // namespace

std::shared_ptr<game> NextLevelAfter(int32_t start, int32_t steps) {
  int32_t index = 0;
  int32_t after = -1;  // levels passed since the start, -1 before it
  for (const auto& entry : levels) {
    if (after >= 0 && entry->Title != kYourLevelTitle) {
      ++after;
      if (after == steps) return entry;
    }
    if (index == start) after = 0;
    ++index;
  }
  return nullptr;
}

void LevelEnd() {
  if (endoflevel == 0) return;
  // There are no lives, and a completed level stays completed: a death, or a
  // cross with no level after it, ends the game in its own frame, though the
  // banner still runs.
  if (endoflevel == 2 || !NextLevelAfter(GameMode, playstate.levelstep + 1)) GameOver(false);
  LevelEndBanner();
  if (endoflevel == 1) BonusCountUp();
  NextLevelDecision();
}

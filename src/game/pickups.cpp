// Gems, crosses, health, ammunition, mines and keys taken when the player touches them, and the blast of an exploding mine.
#include "game/pickups.h"

#include <cstdlib>

#include "framework/sound.h"
#include "game/cell_pass.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t kTouchReach = 16;
constexpr double kSpriteRow = 43.0;
constexpr int32_t kPickupSound = 10;
constexpr int32_t kHurtSound = 11;
constexpr int32_t kLevelDoneSound = 13;
constexpr int32_t kMineSound = 2;
constexpr int32_t kGemScore = 25;
constexpr int32_t kCrossScore = 1000;
constexpr int32_t kHealthGain = 25;
constexpr int32_t kHealthScore = 25;
constexpr int32_t kAmmoScore = 25;
constexpr int32_t kAmmo2Score = 100;
constexpr int32_t kMineScore = 25;
constexpr int32_t kKeyScore = 25;
// The last two stages of an explosion hurt.
constexpr int32_t kBlastStage1 = 158;
constexpr int32_t kBlastStage2 = 159;
constexpr int32_t kBlastDamage = 20;
constexpr int32_t kAmmoSlots = 360;
constexpr int32_t kAmmoPerPickup = 12;
constexpr int32_t kInvSlots = 20;

int32_t& Cell() { return ThisRoom->obj[RoomCell(y, playstate.celllayer, x)]; }

// The player, as drawn in the last frame, overlaps this cell's sprite.
bool Touched() {
  if ((y + 1) * 2 != pla->layer) return false;
  if (std::abs(x * kCellWidth - pla->x) >= kTouchReach) return false;
  const double zoom = playstate.zoom;
  const int32_t left = static_cast<int32_t>(playstate.viewx + (x * kCellWidth) * zoom);
  const int32_t top = static_cast<int32_t>(y * (kHalfHeight * zoom) + playstate.viewy + kSpriteRow * zoom);
  return ImagesCollide(gfx, left, top, u, gfx, playstate.plascreenx, playstate.plascreeny, playstate.plaframe) != 0;
}

void TouchDamage() {
  if (u < 0 || u >= kKindCount || ObjH[u] <= 0) return;
  pla->health -= ObjH[u];
  PlaySFX(kHurtSound);
}

void GemCrossHealth() {
  if (u == kGem) {
    pla->score += kGemScore;
    Cell() = 0;
    PlaySFX(kPickupSound);
  }
  if (u == kCross) {
    pla->score += kCrossScore;
    Cell() = 0;
    PlaySFX(kPickupSound);
    if (endoflevel == 0) {
      endoflevel = 1;
      PlaySFX(kLevelDoneSound);
    }
  }
  if (u == kHp) {
    pla->health += kHealthGain;
    pla->score += kHealthScore;
    Cell() = 0;
    PlaySFX(kPickupSound);
  }
}

// The item is taken even when the store has no room left for it.
void AmmoPickup(int32_t code, int32_t kind, int32_t points) {
  if (u != code) return;
  AddAmmo(kind);
  Cell() = 0;
  PlaySFX(kPickupSound);
  pla->score += points;
}

void Mine() {
  if (u != kMine) return;
  pla->score += kMineScore;
  Cell() = kExplosion;
  PlaySFX(kMineSound, 0.5f);
}

// The highest-numbered empty inventory slot, -1 when every slot holds a key.
int32_t HighestFreeSlot() {
  int32_t slot = -1;
  for (int32_t i = 0; i < kInvSlots; ++i) {
    if (pla->inv[i] == 0) slot = i;
  }
  return slot;
}

void Key(int32_t code) {
  if (u != code || playstate.freeslot <= -1) return;
  // The slot was found in the last frame; a key taken since (a second key in
  // this same frame) may have filled it.
  if (pla->inv[playstate.freeslot] != 0) playstate.freeslot = HighestFreeSlot();
  if (playstate.freeslot == -1) return;
  pla->inv[playstate.freeslot] = code;
  pla->score += kKeyScore;
  Cell() = 0;
  PlaySFX(kPickupSound);
  playstate.freeslot = HighestFreeSlot();
}

void Blast() {
  if (u != kBlastStage1 && u != kBlastStage2) return;
  pla->health -= kBlastDamage;
  PlaySFX(kHurtSound);
}

}  // namespace

void AddAmmo(int32_t kind) {
  int32_t filled = 0;
  for (int32_t slot = 0; slot < kAmmoSlots && filled < kAmmoPerPickup; ++slot) {
    if (pla->ammo[slot] != 0) continue;
    pla->ammo[slot] = kind;
    ++filled;
  }
}

bool CellPickups() {
  if (!Touched()) return false;
  TouchDamage();
  // Each step tests the code the cell had when its visit began, so at most
  // one of them acts, whatever an earlier one wrote into the cell.
  GemCrossHealth();
  AmmoPickup(kAmmo, 1, kAmmoScore);
  AmmoPickup(kAmmo2, 2, kAmmo2Score);
  return true;
}

void CellMinesKeys() {
  Mine();
  Key(kKeyYellow);
  Key(kKeyRed);
  Key(kKeyGreen);
  Key(kKeyBlue);
  Blast();
}

void CellCeiling() {
  if (u > 580 && u < 1000) DrawCellImage(u, x, y);
}

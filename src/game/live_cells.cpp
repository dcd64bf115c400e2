// Explosions counting down, turrets firing, floors crumbling, gates opening and every room cell drawn.
#include "game/live_cells.h"

#include <cstdlib>
#include <memory>

#include "framework/sound.h"
#include "game/cell_pass.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/list.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t kLastColumn = 22;
// Explosion stages: a touched mine writes the first, the countdown clears
// the cell when it passes the last, and the bang sounds on the one before.
constexpr int32_t kLastStage = 159;
constexpr int32_t kBangStage = 158;
// Turrets fire once every 120 frames, each column 5 frames after the one to its left.
constexpr int32_t kTurretPeriod = 120;
constexpr int32_t kTurretColumnDelay = 5;
constexpr int32_t kTurretShot = 70;
constexpr int32_t kTurretShotSpeed = 4;
// A crumbling floor's last stage; one step more and it is a hole.
constexpr int32_t kCrumbled = 58;
// A key's code is its gate's code plus this.
constexpr int32_t kKeyOfGate = 56;
constexpr int32_t kGateScore = 50;
constexpr int32_t kInvSlots = 20;

int32_t& Cell() { return ThisRoom->obj[RoomCell(y, playstate.celllayer, x)]; }

// The player's half in a thing's `layer` coding equals this cell's.
bool PlayerInHalf() { return (y + 1) * 2 == pla->layer; }

void Turret() {
  if (u != kTurretLeft && u != kTurretRight) return;
  if (leveltick % kTurretPeriod != x * kTurretColumnDelay) return;
  PlaySFX(1, 1.5f);
  obj = std::make_shared<ect>();
  obj->x = x * kCellWidth;
  obj->y = 0;
  obj->layer = (y + 1) * 2;
  obj->gx = -kTurretShotSpeed;
  obj->roomx = pla->roomx;
  obj->roomy = pla->roomy;
  obj->d = -1;
  if (u == kTurretRight) {
    obj->d = 1;
    obj->gx = kTurretShotSpeed;
  }
  obj->t = kTurretShot;
  // Ahead of the player in the walk, so a shot is moved in the frame it is fired.
  ListAddFirst(objects, obj);
}

void Crumble() {
  if (u < kCrumble || u > 59) return;
  if (std::abs(x * kCellWidth - pla->x) >= 5) return;
  if (leveltick % 2 != 0) return;
  if (!PlayerInHalf() || pla->jump != 0 || pla->y != 0) return;
  int32_t& cell = Cell();
  ++cell;
  if (cell == kCrumbled) cell = kHole;
}

void Gate() {
  if (u < kGateYellow || u > kGateBlue) return;
  if (std::abs(x * kCellWidth - pla->x) >= 8 || !PlayerInHalf()) return;
  int32_t keyslot = -1;
  for (n = 0; n < kInvSlots; ++n) {
    if (pla->inv[n] == u + kKeyOfGate) keyslot = n;
  }
  if (keyslot == -1) return;
  pla->inv[keyslot] = 0;
  Cell() = 0;
  PlaySFX(12);
  pla->score += kGateScore;
}

}  // namespace

int32_t HoleEdgeForm(int32_t code, const std::array<int32_t, kRoomCells>& cells, int32_t cell, int32_t column) {
  if (column > 0 && code == kHole && cells[cell - 1] != kHole) code = kHoleLeftEnd;
  if (column < kLastColumn && code == kHole && cells[cell + 1] != kHole) code = kHoleRightEnd;
  return code;
}

bool IsCellSprite(int32_t code) { return code > 80 && code < 500 && !(code > 159 && code < 256); }

void LiveCountdown() {
  int32_t& cell = Cell();
  if (cell < kExplosion || cell > kLastStage) return;
  ++cell;
  if (cell == kBangStage) PlaySFX(1, 0.4f);
  if (cell == kLastStage + 1) cell = 0;
}

bool LiveCells() {
  u = Cell();
  Turret();
  Crumble();
  Gate();
  // The steps above change the cell, never `u`: a floor that just gave way or
  // a gate just opened is drawn as it was one last time.
  u = HoleEdgeForm(u, ThisRoom->obj, RoomCell(y, playstate.celllayer, x), x);
  // Terrain and sprites; creatures are drawn as the things they became at
  // the room's entry, and raised codes by the ceiling step.
  if (u < 80 || IsCellSprite(u)) DrawCellImage(u, x, y);
  return IsCellSprite(u);
}

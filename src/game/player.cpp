// The player reads the cell under it and the held controls move it, make it crouch, turn, walk, jump, climb and fire.
#include "game/player.h"

#include "framework/controls.h"
#include "framework/sound.h"
#include "game/game_state.h"
#include "game/terrain.h"
#include "level/rooms.h"
#include "startup/globals.h"

int32_t holehere = 0;
int32_t climbhere = 0;

namespace {

constexpr int32_t HOLE = 45, HOLE_LEFT = 44, HOLE_RIGHT = 46;
constexpr int32_t kJumpSound = 3;
constexpr int32_t kClimbSound = 5;
// Where a jump arc starts; the object walk adds 5 a frame up to 180.
constexpr int32_t kJumpStart = 5;
// A climb starts a half below where it leads and rises to it.
constexpr int32_t kClimbRise = 64;
// Frames between shots while the fire control is held, by ammunition kind.
constexpr int32_t kFireGap = 20;
constexpr int32_t kFireGapKind2 = 6;

bool Held(int32_t control) { return PlayKey(control, 1) != 0; }

int32_t CellCode(int32_t half, int32_t layer, int32_t column) {
  return ThisRoom->obj[RoomCell(half, layer, column)];
}

// Every open frame starts with no step and the stance of the arc, if any.
void ResetStance() {
  pla->gx = 0;
  pla->anim = kStanceStand;
  if (pla->jump > 0) pla->anim = kStanceAir;
}

// Down on the ground, at rest in a half and outside any arc, crouches.
void Crouch() {
  if (!Held(kControlDown)) return;
  if (pla->anim != kStanceStand) return;
  if (pla->y != 0) return;
  if (pla->jump != 0) return;
  pla->anim = kStanceCrouch;
}

// A crouched player faces Left or Right without moving.
void TurnInPlace() {
  if (Held(kControlLeft) && !Held(kControlRight) && pla->anim == kStanceCrouch) {
    pla->gx = 0;
    pla->d = -1;
  }
  if (Held(kControlRight) && !Held(kControlLeft) && pla->anim == kStanceCrouch) {
    pla->gx = 0;
    pla->d = 1;
  }
}

// One pixel a frame, on the ground or along grips while hanging.
void Walk() {
  if (Held(kControlLeft) && !Held(kControlRight) && (pla->anim < 2 || playstate.hanging == 1)) {
    pla->gx = -1;
    pla->d = -1;
    ++pla->stp;
    pla->anim = kStanceWalk;
  }
  if (Held(kControlRight) && !Held(kControlLeft) && (pla->anim < 2 || playstate.hanging == 1)) {
    pla->gx = 1;
    pla->d = 1;
    ++pla->stp;
    pla->anim = kStanceWalk;
  }
}

// Up or jump, on ground that is neither a hole nor climbable, leaps; a
// held direction sends the arc that way.
void JumpStart() {
  if (!Held(kControlUp) && !Held(kControlJump)) return;
  if (pla->anim >= 2 || pla->jump != 0 || pla->y != 0 || climbhere != 0 || holehere != 0) return;
  pla->jumpx = 0;
  if (Held(kControlLeft)) {
    pla->jumpx = -1;
    pla->d = -1;
  }
  if (Held(kControlRight)) {
    pla->jumpx = 1;
    pla->d = 1;
  }
  pla->jump = kJumpStart;
  PlaySFX(kJumpSound, 1.0f, 1.0f, 0.0f);
}

// The same controls on a vine or ladder climb one half up; out of a top
// half the climb leads into the room above.
void ClimbStart() {
  if (!Held(kControlUp) && !Held(kControlJump)) return;
  if (pla->anim >= 2 || pla->jump != 0 || pla->y != 0 || climbhere != 1 || holehere != 0) return;
  pla->layer -= 2;
  pla->y = kClimbRise;
  PlaySFX(kClimbSound, 1.0f, 1.0f, 0.0f);
}

// A press fires at once; a held control fires again when the cooldown runs
// out. The firing slot and its kind come from the previous frame's scan.
bool FireControl() {
  if (pla->fire > 0) --pla->fire;
  if (!Held(kControlFire)) pla->fire = 0;
  if (!Held(kControlFire) || pla->fire != 0 || playstate.firekind == 0) return false;
  pla->fire = kFireGap;
  if (playstate.firekind == 2) pla->fire = kFireGapKind2;
  return true;
}

}  // namespace

void PlayerCell() {
  const int32_t column = pla->x / kCellWidth;
  const int32_t half = HalfOfLayer(pla->layer);
  const bool inRoom = column > -1 && column < kRoomColumns && ThisRoom != nullptr;
  for (n = 0; n <= 3; ++n) {
    Here[n] = 0;
    if (!inRoom) continue;
    Here[n] = CellCode(half, n, column);
    // A hole run keeps a ledge where it meets ground, but not at the room's
    // side borders.
    if (Here[n] == HOLE && column > 0 && CellCode(half, n, column - 1) != HOLE) Here[n] = HOLE_LEFT;
    if (Here[n] == HOLE && column < kRoomColumns - 1 && CellCode(half, n, column + 1) != HOLE) Here[n] = HOLE_RIGHT;
  }
  holehere = Hole(pla->x);
  climbhere = Climb();
}

bool PlayerMove() {
  // The one flag that a typed room title holds shut; the caption section
  // clears it whenever no title is being typed.
  if (playstate.titleedit != 0 || endoflevel != 0) return false;
  ResetStance();
  Crouch();
  TurnInPlace();
  Walk();
  JumpStart();
  ClimbStart();
  return FireControl();
}

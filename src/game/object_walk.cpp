// Every moving thing of the room takes its turn: it meets the terrain, moves, is drawn and hits or is hit.
#include "game/object_walk.h"

#include "framework/controls.h"
#include "game/animate.h"
#include "game/game_state.h"
#include "game/object_hits.h"
#include "game/object_terrain.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t HOLE_LEFT = 44, HOLE = 45, HOLE_RIGHT = 46, GRIP = 47;
constexpr int32_t kUp = 0, kLeft = 3, kRight = 5, kJump = 11;
constexpr int32_t kLastColumn = kRoomColumns - 1;

// A hole is stored as one code; a thing standing on the first or last cell
// of a run of holes sees which side of the cell the hole is on.
void HoleEdgeForm(int32_t col, int32_t half) {
  if (Here[n] == HOLE && col > 0 && ThisRoom->obj[RoomCell(half, n, col - 1)] != HOLE) Here[n] = HOLE_LEFT;
  if (Here[n] == HOLE && col < kLastColumn && ThisRoom->obj[RoomCell(half, n, col + 1)] != HOLE)
    Here[n] = HOLE_RIGHT;
}

// The player holding jump or up takes hold of a grip near the top of a jump,
// while climbing up past it or while dropping past it. A climb out of the
// top of the room is not caught: the player would hang above the room with
// no half to stand in.
void GripCatch() {
  if (obj != pla || Here[n] != GRIP) return;
  const bool topOfJump = obj->jump > 75 && obj->jump < 105;
  const bool climbing = obj->layer >= 1 && obj->y > 29 && obj->y < 35;
  const bool dropping = obj->y > -25 && obj->y < -19;
  if (!topOfJump && !climbing && !dropping) return;
  if (PlayKey(kJump, 1) == 0 && PlayKey(kUp, 1) == 0) return;
  obj->jump = 90;
  obj->jumpx = 0;
  playstate.hanging = 1;
  obj->y = 0;
}

// While hanging, the direction held picks the sideways drift the jump goes on
// with once the player lets go; right wins when both are held.
void HangSteering() {
  if (playstate.hanging != 1) return;
  if (PlayKey(kLeft, 1)) pla->jumpx = -1;
  if (PlayKey(kRight, 1)) pla->jumpx = 1;
}

}  // namespace

void CellProbe() {
  const int32_t col = obj->x / kCellWidth;  // -7..-1 read column 0
  const int32_t half = HalfOfLayer(obj->layer);
  for (n = 0; n <= 3; ++n) {
    Here[n] = 0;
    if (col > -1 && col <= kLastColumn) Here[n] = ThisRoom->obj[RoomCell(half, n, col)];
    HoleEdgeForm(col, half);
    GripCatch();
  }
}

void ScanObjects() {
  SetAlpha(1.0f);
  HangSteering();
  playstate.hanging = 0;
  // The walk stands on an entry until its turn is over, so removing that
  // entry at the end of the turn goes on with the one that followed it.
  for (auto it = objects.begin(); it != objects.end(); ++it) {
    obj = *it;
    if (!obj) continue;
    playstate.spent = 0;
    if (obj->d == 0) obj->d = 1;
    // After the player has left the room in its own turn, the old room's
    // creatures behind it wait for the next frame's room entry.
    if (obj->roomx != pla->roomx || obj->roomy != pla->roomy) continue;
    CellProbe();
    ObjectTerrain();
    AnimateObjects();
    ObjectHits();
  }
}

// Things bump off walls, the player falls through holes and walks into the next room, shots die at walls and room edges, and creatures shot often enough die.
#include "game/object_terrain.h"

#include <cstdlib>

#include "framework/sound.h"
#include "game/game_state.h"
#include "game/terrain.h"
#include "level/rooms.h"

namespace {

constexpr int32_t kPlayerKinds = 10;  // kinds below this are the player
constexpr int32_t BAT = 160, DOG = 162, BARREL = 164, BEAR = 168;
constexpr int32_t kSfxThrownAtWall = 2, kSfxFall = 4, kSfxBump = 6, kSfxKill = 9;
constexpr int32_t kBumpPush = 6;

bool IsPlayer() { return obj->t < kPlayerKinds; }
bool IsOther() { return obj->t > kPlayerKinds; }

// Faces the thing toward `dir`, keeping the size of its step.
void TurnTo(int32_t dir) {
  obj->d = dir;
  obj->gx = dir * std::abs(obj->gx);
  if (Thrown(obj->t)) playstate.spent = 1;
}

// One push or one turn per turn: the side of the cell the thing is on,
// taken before anything moves, decides which way. A push into another wall
// is answered on the next turn.
void WallBump() {
  const int32_t r = obj->x % kCellWidth;
  const int32_t dir = r > 3 ? 1 : -1;
  if (IsPlayer()) {
    obj->x += dir * kBumpPush;
    PlaySFX(kSfxBump, 1.0f, 1.0f, 0.0f);
  } else if (IsOther()) {
    TurnTo(dir);
    if (Thrown(obj->t)) PlaySFX(kSfxThrownAtWall, 1.0f, 1.0f, 0.0f);
  }
}

// Only the player, standing still on the ground, drops one half; out of the
// bottom half it drops into the top half of the room below, entered at the
// next frame head. It is drawn where it stood and slides down from there.
void FallThroughHole(int32_t overHole) {
  if (!overHole || obj->jump != 0 || obj->y != 0 || !IsPlayer()) return;
  obj->y = -kHalfHeight;
  obj->layer += 2;
  PlaySFX(kSfxFall, 1.0f, 1.0f, 0.0f);
  if (obj->layer > 4) {
    obj->layer -= 4;
    obj->roomy += 1;
    playstate.newroom = 1;
  }
}

// Past a side of the room the player goes on in the neighbouring room,
// barrels roll back in from the other side, creatures turn back (their own
// steps bring them in) and shots are done.
void RoomEdge(int32_t side) {
  if (IsPlayer()) {
    obj->x -= side * kRoomWidth;
    obj->roomx += side;
    playstate.newroom = 1;
  } else if (obj->t == BARREL) {
    obj->x -= side * kRoomWidth;
  } else if (IsOther()) {
    TurnTo(-side);
  }
}

void RoomEdges() {
  if (obj->x < 0) RoomEdge(-1);
  if (obj->x > kRoomWidth) RoomEdge(1);
}

struct Mortal {
  int32_t kind;
  int32_t hits;
  int32_t points;
};
constexpr Mortal kMortals[] = {{BAT, 3, 50}, {DOG, 5, 100}, {BEAR, 10, 250}};

// A creature dies on its own turn after enough hits; its cell is cleared so
// that it stays gone when the room is entered again.
void CreatureDeaths() {
  for (const Mortal& m : kMortals) {
    if (obj->health >= m.hits && obj->t == m.kind && obj->dead == 0) {
      obj->dead = 1;
      if (obj->oID >= 0 && obj->oID < kRoomCells) ThisRoom->obj[obj->oID] = 0;
      PlaySFX(kSfxKill, 1.0f, 1.0f, 0.0f);
      pla->score += m.points;
    }
  }
}

}  // namespace

void ObjectTerrain() {
  const int32_t solid = Solid();
  // Taken before a wall push: the player falls from where the push leaves it.
  const int32_t overHole = Hole(obj->x);
  if (solid) WallBump();
  FallThroughHole(overHole);
  RoomEdges();
  CreatureDeaths();
}

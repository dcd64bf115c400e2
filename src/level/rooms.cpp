#include "level/rooms.h"

#include "level/level_file.h"
#include "level/play_globals.h"
#include "startup/object_kinds.h"

std::shared_ptr<layout> ThisRoom;
std::shared_ptr<layout> EmptyRoom;

std::shared_ptr<layout> NewBlankRoom() {
  auto r = std::make_shared<layout>();
  r->StyleTop = 1;
  r->StyleBot = 2;
  r->BGTop = 1;
  r->BGBot = 0;
  return r;
}

namespace {

// Before any level is read there is no room at all; the empty room stands in,
// as it would after a read.
void EnsureEmptyRoom() {
  if (!rooms.Empty()) return;
  EmptyRoom = NewBlankRoom();
  ListAddLast(rooms, EmptyRoom);
}

std::shared_ptr<ect> SpawnCreature(const layout& r, int32_t index, int32_t code) {
  auto c = std::make_shared<ect>();
  c->oID = index;
  c->x = CellColumn(index) * kCellWidth;
  c->y = 0;
  c->layer = LayerOfHalf(CellHalf(index));
  c->d = 1;
  c->gx = IsStillKind(code) ? 0 : 1;
  c->tick = code == kBear ? 1 : 0;
  c->tickreset = code == kBear ? 2 : 0;
  c->health = 0;
  c->roomx = r.roomx;
  c->roomy = r.roomy;
  c->t = code;
  return c;
}

}  // namespace

void MyRoom() {
  // Everything of the room left behind goes, the player stays where it stood.
  for (const auto& thing : objects) {
    if (thing != pla) ListRemove(objects, thing);
  }

  EnsureEmptyRoom();
  const int32_t px = pla ? pla->roomx : 0;
  const int32_t py = pla ? pla->roomy : 0;
  ThisRoom = rooms.First();
  for (const auto& r : rooms) {
    if (r->roomx == px && r->roomy == py) ThisRoom = r;
  }

  layout& here = *ThisRoom;
  for (int32_t half = 0; half < 2; ++half) {
    for (int32_t layer = 0; layer < 4; ++layer) {
      for (int32_t column = 0; column <= kRoomColumns; ++column) {
        const int32_t index = RoomCell(half, layer, column);
        if (editmode == 1) here.obj[index] = here.objEdit[index];
        const int32_t code = here.obj[index];
        if (IsSpawnedKind(code)) ListAddLast(objects, SpawnCreature(here, index, code));
      }
    }
  }
}

void AddaRoom() {
  if (ThisRoom != EmptyRoom) return;
  EnsureEmptyRoom();
  auto r = NewBlankRoom();
  r->roomx = pla ? pla->roomx : 0;
  r->roomy = pla ? pla->roomy : 0;
  room = r;
  ListAddLast(rooms, r);
  MyRoom();
}

void Remove(int32_t half, int32_t layer, int32_t column) {
  (void)half;
  (void)layer;
  (void)column;
}

void Convert() {}

// The terrain's say in a thing's turn: wall bumps, falls through holes, the
// room's side edges and creature deaths; and the 22-turn drop and climb into
// the rooms below and above.
#include <vector>

#include "game/object_terrain.h"
#include "game/object_walk.h"
#include "platform/runtime.h"
#include "walk_test_util.h"

namespace {

using namespace walktest;

class ObjectTerrainTest : public WalkTest {
 protected:
  // The probe and the terrain for one thing, as its turn runs them.
  void Terrain(const std::shared_ptr<ect>& thing) {
    obj = thing;
    playstate.spent = 0;
    CellProbe();
    ObjectTerrain();
  }
  std::shared_ptr<ect> Thing(int32_t kind, int32_t xpos, int32_t gx = 1, int32_t layer = 2) {
    auto e = std::make_shared<ect>();
    e->t = kind;
    e->x = xpos;
    e->gx = gx;
    e->d = gx < 0 ? -1 : 1;
    e->layer = layer;
    return e;
  }
};

TEST_F(ObjectTerrainTest, OneWallPushPerTurnFromTheSideOfTheCell) {
  Cells(0, 3, {5}, WALL);
  Cells(0, 3, {0}, GATE);
  struct Case {
    int32_t x;
    int32_t playerX;
    int32_t dir;  // facing a creature or shot is turned to
  };
  const std::vector<Case> cases = {
      {40, 34, -1}, {41, 35, -1}, {42, 36, -1}, {43, 37, -1}, {44, 50, 1}, {45, 51, 1}, {46, 52, 1},
      {47, 53, 1},  {0, -6, -1},  {3, -3, -1},  {4, 10, 1},   {-1, -7, -1}, {-7, -13, -1},
  };
  for (const Case& c : cases) {
    auto player = Thing(0, c.x, 0);
    Terrain(player);
    // A push out of the left side of column 0 is followed by the move into
    // the room to the left in the same turn.
    const int32_t want = c.playerX < 0 ? c.playerX + 184 : c.playerX;
    EXPECT_EQ(player->x, want) << c.x;
    EXPECT_EQ(Effects(), std::vector<int32_t>{6}) << c.x;

    auto dog = Thing(DOG, c.x, -1);
    dog->d = -c.dir;
    Terrain(dog);
    if (c.x >= 0) {
      EXPECT_EQ(dog->x, c.x);
      EXPECT_EQ(dog->d, c.dir) << c.x;
      EXPECT_EQ(dog->gx, c.dir) << c.x;
    }
    EXPECT_EQ(playstate.spent, 0);
    EXPECT_TRUE(Effects().empty());

    auto shot = Thing(70, c.x, -4);
    Terrain(shot);
    EXPECT_EQ(shot->x, c.x);
    EXPECT_EQ(playstate.spent, 1) << c.x;
    EXPECT_EQ(Effects(), std::vector<int32_t>{2}) << c.x;
  }
}

TEST_F(ObjectTerrainTest, NoBumpOutsideTheColumnsOrForKindTen) {
  Cells(0, 0, {0, 22}, WALL);
  Cells(1, 2, {10}, WALL);
  for (int32_t xpos : {-8, -9, 184, 190}) {
    auto player = Thing(0, xpos, 0);
    player->roomx = 5;
    Terrain(player);
    EXPECT_TRUE(Effects().empty()) << xpos;
  }
  auto ten = Thing(10, 82, 3, 4);
  Terrain(ten);
  EXPECT_EQ(ten->x, 82);
  EXPECT_EQ(ten->gx, 3);
  EXPECT_TRUE(Effects().empty());
  // A dead creature still turns; a creature with no step keeps none.
  auto bear = Thing(BEAR, 82, 1, 4);
  bear->dead = 1;
  Terrain(bear);
  EXPECT_EQ(bear->d, -1);
  EXPECT_EQ(bear->gx, -1);
  auto spikey = Thing(SPIKEY, 85, 0, 4);
  Terrain(spikey);
  EXPECT_EQ(spikey->d, 1);
  EXPECT_EQ(spikey->gx, 0);
}

TEST_F(ObjectTerrainTest, WalkingIntoAWallBouncesBackEveryTimeItIsEntered) {
  Cells(0, 1, {5}, WALL);
  pla->x = 35;
  std::vector<int32_t> xs;
  for (int turn = 0; turn < 12; ++turn) {
    pla->gx = 1;  // the walk control held to the right
    ScanObjects();
    xs.push_back(pla->x);
  }
  EXPECT_EQ(xs, (std::vector<int32_t>{36, 37, 38, 39, 40, 35, 36, 37, 38, 39, 40, 35}));
  EXPECT_EQ(pla->d, 1);
}

TEST_F(ObjectTerrainTest, ThePlayerFallsOnlyFromRestOverAHole) {
  Cells(0, 2, {2, 3, 4}, HOLE);
  struct Case {
    int32_t kind, x, jump, y;
    bool falls;
  };
  const std::vector<Case> cases = {
      // left edge cell: positions 3..7 fall; right edge cell: 0..4 fall
      {0, 16, 0, 0, false}, {0, 18, 0, 0, false}, {0, 19, 0, 0, true},  {0, 23, 0, 0, true},
      {0, 24, 0, 0, true},  {0, 31, 0, 0, true},  {0, 32, 0, 0, true},  {0, 36, 0, 0, true},
      {0, 37, 0, 0, false}, {0, 39, 0, 0, false}, {0, 26, 5, 0, false}, {0, 26, 90, 0, false},
      {0, 26, 0, 4, false}, {0, 26, 0, -4, false}, {BAT, 26, 0, 0, false}, {64, 26, 0, 0, false},
      {70, 26, 0, 0, false},
  };
  for (const Case& c : cases) {
    auto thing = Thing(c.kind, c.x, 0);
    thing->jump = c.jump;
    thing->y = c.y;
    Terrain(thing);
    EXPECT_EQ(thing->layer, c.falls ? 4 : 2) << c.kind << " at " << c.x;
    EXPECT_EQ(thing->y, c.falls ? -64 : c.y) << c.kind << " at " << c.x;
    EXPECT_EQ(thing->roomy, 0);
    EXPECT_EQ(playstate.newroom, 0);
    EXPECT_EQ(Effects(), c.falls ? std::vector<int32_t>{4} : std::vector<int32_t>{}) << c.x;
  }
  // Out of the bottom half into the room below.
  Cells(1, 0, {10}, HOLE);
  auto player = Thing(0, 84, 0, 4);
  Terrain(player);
  EXPECT_EQ(player->layer, 2);
  EXPECT_EQ(player->y, -64);
  EXPECT_EQ(player->roomy, 1);
  EXPECT_EQ(player->x, 84);
  EXPECT_EQ(playstate.newroom, 1);
}

TEST_F(ObjectTerrainTest, AWallPushDoesNotStopTheFallAndAFallCanLeaveToTheLeft) {
  // Hole and wall in one cell: the player is pushed and still falls.
  Cells(0, 0, {6}, HOLE);
  Cells(0, 1, {6}, WALL);
  auto player = Thing(0, 52, 0);
  Terrain(player);
  EXPECT_EQ(player->x, 58);
  EXPECT_EQ(player->layer, 4);
  EXPECT_EQ(Effects(), (std::vector<int32_t>{6, 4}));
  // Just past the left side over a hole in column 0 of the bottom half: into
  // the room below and to the left in one turn.
  Cells(1, 0, {0}, HOLE);
  player = Thing(0, -3, 0, 4);
  player->roomx = 2;
  Terrain(player);
  EXPECT_EQ(player->roomy, 1);
  EXPECT_EQ(player->roomx, 1);
  EXPECT_EQ(player->x, 181);
  EXPECT_EQ(player->layer, 2);
}

TEST_F(ObjectTerrainTest, RoomEdgesByKind) {
  struct Case {
    int32_t kind, x, gx;
    int32_t wantX, wantRoomx, wantD, wantGx, wantSpent, wantNewroom;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 0, 0, 1, 0, 0, 0},          {0, 184, 0, 184, 0, 1, 0, 0, 0},
      {0, -1, -1, 183, -1, -1, -1, 0, 1},   {0, -6, 0, 178, -1, 1, 0, 0, 1},
      {0, 185, 1, 1, 1, 1, 1, 0, 1},        {0, -200, 0, -16, -1, 1, 0, 0, 1},
      {BARREL, -1, -1, 183, 0, -1, -1, 0, 0}, {BARREL, 185, 1, 1, 0, 1, 1, 0, 0},
      {DOG, -1, -1, -1, 0, 1, 1, 0, 0},     {DOG, 186, 1, 186, 0, -1, -1, 0, 0},
      {DOG, -3, 1, -3, 0, 1, 1, 0, 0},      {SPIKE, -2, 0, -2, 0, 1, 0, 0, 0},
      {64, -2, -2, -2, 0, 1, 2, 1, 0},      {70, 187, 4, 187, 0, -1, -4, 1, 0},
      {10, -5, -1, -5, 0, -1, -1, 0, 0},    {10, 190, 1, 190, 0, 1, 1, 0, 0},
  };
  for (const Case& c : cases) {
    playstate.newroom = 0;
    auto thing = Thing(c.kind, c.x, c.gx);
    Terrain(thing);
    EXPECT_EQ(thing->x, c.wantX) << c.kind << " at " << c.x;
    EXPECT_EQ(thing->roomx, c.wantRoomx) << c.kind << " at " << c.x;
    EXPECT_EQ(thing->d, c.wantD) << c.kind << " at " << c.x;
    EXPECT_EQ(thing->gx, c.wantGx) << c.kind << " at " << c.x;
    EXPECT_EQ(playstate.spent, c.wantSpent) << c.kind << " at " << c.x;
    EXPECT_EQ(playstate.newroom, c.wantNewroom) << c.kind << " at " << c.x;
    EXPECT_TRUE(Effects().empty());
  }
}

TEST_F(ObjectTerrainTest, AWallPushOverTheLeftSideEndsInTheRoomToTheLeft) {
  Cells(0, 2, {0}, WALL);
  auto player = Thing(0, 2, 0);
  Terrain(player);
  EXPECT_EQ(player->x, 180);
  EXPECT_EQ(player->roomx, -1);
  // A creature there faces right again after the wall turned it left.
  auto dog = Thing(DOG, -1, 1);
  Terrain(dog);
  EXPECT_EQ(dog->d, 1);
  EXPECT_EQ(dog->gx, 1);
}

TEST_F(ObjectTerrainTest, CreatureDeathsByKindAndHits) {
  struct Case {
    int32_t kind, health, dead;
    bool dies;
    int32_t points;
  };
  const std::vector<Case> cases = {
      {BAT, 2, 0, false, 0},    {BAT, 3, 0, true, 50},     {BAT, 4, 0, true, 50},   {BAT, 3, 1, false, 0},
      {DOG, 4, 0, false, 0},    {DOG, 5, 0, true, 100},    {BEAR, 9, 0, false, 0},  {BEAR, 10, 0, true, 250},
      {BARREL, 99, 0, false, 0}, {SNAKE, 99, 0, false, 0}, {SPIKE2, 99, 0, false, 0}, {SPIKE3, 99, 0, false, 0},
      {SPIKEY, 99, 0, false, 0}, {SPIKE, 99, 0, false, 0}, {FLAME, 99, 0, false, 0}, {0, 99, 0, false, 0},
      {64, 99, 0, false, 0},    {70, 99, 0, false, 0},
  };
  for (const Case& c : cases) {
    pla->score = 1000;
    auto thing = Thing(c.kind, 100, 1, 4);
    thing->oID = RoomCell(1, 2, 12);
    thing->health = c.health;
    thing->dead = c.dead;
    ThisRoom->obj[thing->oID] = c.kind;
    ThisRoom->objEdit[thing->oID] = c.kind;
    Terrain(thing);
    EXPECT_EQ(thing->dead, c.dies ? 1 : c.dead) << c.kind << "/" << c.health;
    EXPECT_EQ(ThisRoom->obj[thing->oID], c.dies ? 0 : c.kind) << c.kind;
    EXPECT_EQ(ThisRoom->objEdit[thing->oID], c.kind);
    EXPECT_EQ(pla->score, 1000 + c.points) << c.kind;
    EXPECT_EQ(Effects(), c.dies ? std::vector<int32_t>{9} : std::vector<int32_t>{}) << c.kind;
    EXPECT_EQ(playstate.spent, 0);
  }
}

// A room at grid position (gx, gy) with the given cells set.
std::shared_ptr<layout> RoomAt(int32_t gx, int32_t gy) {
  auto r = NewBlankRoom();
  r->roomx = gx;
  r->roomy = gy;
  ListAddLast(rooms, r);
  return r;
}

TEST_F(ObjectTerrainTest, ADropThroughTheBottomEndsInTheRoomBelowAfter22Turns) {
  room->obj[RoomCell(1, 0, 2)] = HOLE;
  room->obj[RoomCell(1, 0, 3)] = HOLE;
  auto below = RoomAt(0, 1);
  below->obj[RoomCell(0, 1, 8)] = BAT;
  pla->layer = 4;
  std::vector<int32_t> ys;
  for (int turn = 1; turn <= 23; ++turn) {
    EnterIfAsked();
    pla->gx = 1;  // a walk held all the way down moves nothing
    const int32_t before = pla->x;
    ScanObjects();
    if (turn <= 22) {
      EXPECT_EQ(pla->x, before) << turn;
      EXPECT_EQ(playstate.plaframe, 14) << turn;
    }
    ys.push_back(pla->y);
  }
  std::vector<int32_t> want;
  for (int32_t yy = -61; yy < 0; yy += 3) want.push_back(yy);
  want.push_back(0);
  want.push_back(0);
  EXPECT_EQ(ys, want);
  EXPECT_EQ(ThisRoom, below);
  EXPECT_EQ(pla->layer, 2);
  EXPECT_EQ(pla->roomy, 1);
  EXPECT_EQ(pla->x, 21);  // the walk moves it from the 23rd turn on
  ASSERT_EQ(Things().size(), 2u);
  EXPECT_EQ(Things()[1]->t, BAT);
}

TEST_F(ObjectTerrainTest, AClimbOutOfTheTopEndsInTheRoomAboveAfter22Turns) {
  room->roomy = 1;
  pla->roomy = 1;
  auto above = RoomAt(0, 0);
  // A ladder with a grip beside it in the top half; up held all the way.
  room->obj[RoomCell(0, 0, 2)] = 41;
  room->obj[RoomCell(0, 1, 2)] = GRIP;
  testbackend::PressKey(kUpKey);
  pla->layer = 0;  // as the climb start leaves it
  pla->y = 64;
  std::vector<int32_t> ys;
  const int32_t seed = RndSeed();
  for (int turn = 1; turn <= 22; ++turn) {
    EnterIfAsked();
    ScanObjects();
    ys.push_back(pla->y);
    EXPECT_GE(playstate.plaframe, 15);
    EXPECT_LE(playstate.plaframe, 17);
    EXPECT_EQ(pla->layer, turn < 22 ? 0 : 4) << turn;
  }
  EXPECT_NE(RndSeed(), seed);
  std::vector<int32_t> want;
  for (int32_t yy = 61; yy > 0; yy -= 3) want.push_back(yy);
  want.push_back(0);
  EXPECT_EQ(ys, want);
  EXPECT_EQ(pla->roomy, 0);
  EXPECT_EQ(playstate.newroom, 1);
  EnterIfAsked();
  EXPECT_EQ(ThisRoom, above);
}

TEST_F(ObjectTerrainTest, WalkingOverTheSidesLeadsIntoTheNeighbouringRooms) {
  auto left = RoomAt(-1, 0);
  auto right = RoomAt(0 + 1, 0);
  room->obj[RoomCell(0, 0, 10)] = DOG;
  EnterIfAsked();
  playstate.newroom = 1;
  EnterIfAsked();
  auto dog = Things()[1];
  pla->x = 0;
  // Frame 1: drawn at -1 in the old room.
  pla->gx = -1;
  ScanObjects();
  EXPECT_EQ(pla->x, -1);
  EXPECT_EQ(dog->x, 81);
  // Frame 2: moved to 183, stepped to 182; the dog is passed over.
  EnterIfAsked();
  pla->gx = -1;
  ScanObjects();
  EXPECT_EQ(pla->x, 182);
  EXPECT_EQ(pla->roomx, -1);
  EXPECT_EQ(dog->x, 81);
  EXPECT_EQ(ThisRoom, room);
  EnterIfAsked();
  EXPECT_EQ(ThisRoom, left);
  EXPECT_EQ(Things().size(), 1u);
  // Back to the right: 184 stays, 185 crosses.
  for (int turn = 0; turn < 3; ++turn) {
    EnterIfAsked();
    pla->gx = 1;
    ScanObjects();
  }
  EXPECT_EQ(pla->x, 185);
  EnterIfAsked();
  pla->gx = 1;
  ScanObjects();
  EXPECT_EQ(pla->x, 2);
  EXPECT_EQ(pla->roomx, 0);
  EnterIfAsked();
  EXPECT_EQ(ThisRoom, room);
  // Two rooms on, where the level has none: the empty room.
  pla->x = 185;
  ScanObjects();
  EnterIfAsked();
  EXPECT_EQ(ThisRoom, right);
  pla->x = 185;
  ScanObjects();
  EnterIfAsked();
  EXPECT_EQ(pla->roomx, 2);
  EXPECT_EQ(ThisRoom, EmptyRoom);
}

TEST_F(ObjectTerrainTest, ACreatureHitForTheLastTimeAsThePlayerLeavesDoesNotDie) {
  pla->x = -1;
  auto bat = Creature(BAT, 100);
  bat->oID = RoomCell(0, 0, 12);
  ThisRoom->obj[bat->oID] = BAT;
  bat->health = 2;
  auto shot = Shot(64, 100, 1);
  ScanObjects();
  EXPECT_EQ(bat->health, 3);
  EXPECT_EQ(bat->dead, 0);
  EXPECT_EQ(ThisRoom->obj[bat->oID], BAT);
  EXPECT_EQ(Effects(), std::vector<int32_t>{8});
  // In the room it dies on its own turn in the same frame.
  pla->x = 20;
  pla->roomx = 0;
  bat->health = 2;
  Shot(64, 101, 1);
  ScanObjects();
  EXPECT_EQ(bat->dead, 1);
  EXPECT_EQ(ThisRoom->obj[bat->oID], 0);
  EXPECT_EQ(Effects(), (std::vector<int32_t>{8, 9}));
}

}  // namespace

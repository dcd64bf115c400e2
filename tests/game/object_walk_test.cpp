// The object walk: turns in list order, the room filter, removal of spent
// things while the walk goes on, the hang steering, the cell probe with its
// hole edge forms, and the grip catch.
#include <array>
#include <vector>

#include "game/object_walk.h"
#include "platform/graphics.h"
#include "walk_test_util.h"

namespace {

using namespace walktest;

class ObjectWalk : public WalkTest {};

TEST_F(ObjectWalk, EveryThingTakesOneTurnAndSpentOnesLeaveWhileTheWalkGoesOn) {
  // Two shots in a row and the last entry end in wall columns; the creatures
  // between them must still move exactly once.
  Cells(0, 1, {10, 12}, WALL);
  auto shotA = Shot(64, 80, 1);
  auto shotB = Shot(64, 81, 1);
  auto bat = Creature(BAT, 40);
  auto dog = Creature(DOG, 140);
  auto last = std::make_shared<ect>();
  last->t = 70;
  last->x = 98;
  last->layer = 2;
  last->gx = 4;
  last->d = 1;
  ListAddLast(objects, last);

  ScanObjects();

  EXPECT_EQ(Things(), (std::vector<std::shared_ptr<ect>>{pla, bat, dog}));
  EXPECT_EQ(bat->x, 41);
  EXPECT_EQ(dog->x, 141);
  EXPECT_EQ(shotA->x, 78);  // turned at the wall and stepped once before it went
  EXPECT_EQ(shotB->x, 79);
  EXPECT_EQ(last->x, 94);
  EXPECT_EQ(obj, last);  // the removed record is still valid
  EXPECT_EQ(Effects(), (std::vector<int32_t>{2, 2, 2}));
}

TEST_F(ObjectWalk, ThingsOfAnotherRoomOnlyGetAFacing) {
  auto stray = Creature(DOG, 40);
  stray->roomx = 3;
  stray->d = 0;
  stray->tick = 0;
  auto strayShot = Shot(64, 80, 1);
  strayShot->roomy = -1;
  ThisRoom->obj[RoomCell(0, 2, 5)] = WALL;
  ThisRoom->obj[RoomCell(0, 2, 10)] = WALL;
  ScanObjects();
  EXPECT_EQ(stray->d, 1);
  EXPECT_EQ(stray->x, 40);
  EXPECT_EQ(stray->stp, 0);
  EXPECT_EQ(strayShot->x, 80);
  EXPECT_EQ(Things().size(), 3u);  // never removed
  // Only the player was drawn, and `Here` is the player's cell (column 2).
  EXPECT_EQ(testgraphics::DrawsOf(testgraphics::Op::Image).size(), 1u);
  EXPECT_EQ(Here, (std::array<int32_t, 4>{0, 0, 0, 0}));
}

TEST_F(ObjectWalk, CreaturesBehindAPlayerWhoLeftTheRoomWaitForTheRoomEntry) {
  pla->x = -1;
  auto bat = Creature(BAT, 40);
  ScanObjects();
  EXPECT_EQ(pla->roomx, -1);
  EXPECT_EQ(pla->x, 183);
  EXPECT_EQ(playstate.newroom, 1);
  EXPECT_EQ(bat->x, 40);
  EXPECT_EQ(bat->stp, 0);
  EXPECT_EQ(testgraphics::DrawsOf(testgraphics::Op::Image).size(), 1u);
}

TEST_F(ObjectWalk, NewPlayerFacesRightAndTheWalkDrawsAtFullAlpha) {
  pla->d = 0;
  SetAlpha(0.25f);
  ScanObjects();
  EXPECT_EQ(pla->d, 1);
  EXPECT_EQ(GetAlpha(), 1.0f);
  ASSERT_EQ(testgraphics::DrawsOf(testgraphics::Op::Image).size(), 1u);
  EXPECT_EQ(testgraphics::DrawsOf(testgraphics::Op::Image)[0].alpha, 1.0f);
}

TEST_F(ObjectWalk, HangSteeringPicksTheDriftOnlyWhileHanging) {
  struct Case {
    int32_t hanging;
    bool left, right;
    int32_t jumpx;
  };
  const std::vector<Case> cases = {
      {1, true, false, -1}, {1, false, true, 1}, {1, true, true, 1}, {1, false, false, 7},
      {0, true, false, 7},  {0, false, true, 7}, {0, true, true, 7},
  };
  for (const Case& c : cases) {
    playstate.hanging = c.hanging;
    pla->jumpx = 7;
    ClearList(objects);  // steering needs no walk
    c.left ? testbackend::PressKey(kLeftKey) : testbackend::ReleaseKey(kLeftKey);
    c.right ? testbackend::PressKey(kRightKey) : testbackend::ReleaseKey(kRightKey);
    ScanObjects();
    EXPECT_EQ(pla->jumpx, c.jumpx) << c.hanging << c.left << c.right;
    EXPECT_EQ(playstate.hanging, 0);
  }
}

// Probe codes that say where they came from and are no terrain.
int32_t Marker(int32_t half, int32_t layer, int32_t col) { return 500 + RoomCell(half, layer, col); }

TEST_F(ObjectWalk, ProbeReadsTheColumnAndHalfOfTheThing) {
  for (int32_t half = 0; half < 2; ++half)
    for (int32_t layer = 0; layer < 4; ++layer)
      for (int32_t col = 0; col < 25; ++col) ThisRoom->obj[RoomCell(half, layer, col)] = Marker(half, layer, col);
  struct Case {
    int32_t x;
    int32_t col;  // -1: outside the room
  };
  const std::vector<Case> cases = {{-9, -1}, {-8, -1}, {-7, 0}, {-4, 0}, {-1, 0}, {0, 0},
                                   {7, 0},   {8, 1},   {100, 12}, {183, 22}, {184, -1}, {191, -1}};
  for (int32_t layer : {0, 2, 4}) {
    const int32_t half = layer > 2 ? 1 : 0;
    for (const Case& c : cases) {
      obj = std::make_shared<ect>();
      obj->x = c.x;
      obj->layer = layer;
      Here = {9, 9, 9, 9};
      n = 99;
      CellProbe();
      for (int32_t k = 0; k < 4; ++k) {
        const int32_t want = c.col < 0 ? 0 : Marker(half, k, c.col);
        EXPECT_EQ(Here[k], want) << "x=" << c.x << " layer=" << layer << " k=" << k;
      }
      EXPECT_EQ(n, 4);
    }
  }
}

TEST_F(ObjectWalk, HoleEdgeFormsFollowTheRunOnTheSameLayer) {
  struct Case {
    std::vector<int32_t> holes;  // columns of HOLE on layer 1 of the top half
    std::vector<int32_t> walls;
    int32_t col;
    int32_t form;
  };
  const std::vector<Case> cases = {
      {{2, 3, 4}, {}, 2, 44}, {{2, 3, 4}, {}, 3, 45}, {{2, 3, 4}, {}, 4, 46},
      {{10, 11}, {}, 10, 44}, {{10, 11}, {}, 11, 46}, {{10}, {9, 11}, 10, 44},
      {{0}, {}, 0, 46},       {{0, 1}, {}, 0, 45},    {{22}, {}, 22, 44},
      {{21, 22}, {}, 22, 45}, {{1}, {}, 1, 44},       {{5}, {}, 6, 0},
  };
  for (const Case& c : cases) {
    ThisRoom->obj.fill(0);
    Cells(0, 1, c.holes, HOLE);
    Cells(0, 1, c.walls, WALL);
    // Holes above, below and in the other half are no neighbours.
    std::vector<int32_t> beside;
    if (c.col > 0) beside.push_back(c.col - 1);
    if (c.col < 22) beside.push_back(c.col + 1);
    Cells(0, 0, beside, HOLE);
    Cells(0, 2, beside, HOLE);
    Cells(1, 1, beside, HOLE);
    obj = std::make_shared<ect>();
    obj->x = c.col * 8 + 3;
    obj->layer = 2;
    CellProbe();
    EXPECT_EQ(Here[1], c.form) << "holes at " << c.holes.front() << " probed at " << c.col;
  }
}

TEST_F(ObjectWalk, HoleNeighboursAreReadFromTheLiveCells) {
  Cells(0, 3, {10}, HOLE);
  ThisRoom->objEdit[RoomCell(0, 3, 9)] = HOLE;  // editor copy only
  ThisRoom->obj[RoomCell(0, 3, 11)] = HOLE;
  ThisRoom->objEdit[RoomCell(0, 3, 11)] = WALL;  // live copy counts
  obj = std::make_shared<ect>();
  obj->x = 83;
  obj->layer = 2;
  CellProbe();
  EXPECT_EQ(Here[3], 44);
  obj->x = -3;  // column 0 with no hole beside: right edge, never left
  Cells(0, 3, {0}, HOLE);
  CellProbe();
  EXPECT_EQ(Here[3], 46);
}

class GripCatch : public WalkTest {
 protected:
  // Probes the player on a grip cell with the given state and keys.
  bool Caught(int32_t jump, int32_t yoff, int32_t layer, bool jumpKey, bool upKey) {
    playstate.hanging = 0;
    pla->x = 44;
    pla->jump = jump;
    pla->y = yoff;
    pla->layer = layer;
    pla->jumpx = 3;
    jumpKey ? testbackend::PressKey(kJumpKey) : testbackend::ReleaseKey(kJumpKey);
    upKey ? testbackend::PressKey(kUpKey) : testbackend::ReleaseKey(kUpKey);
    obj = pla;
    CellProbe();
    const bool caught = playstate.hanging == 1;
    if (caught) {
      EXPECT_EQ(pla->jump, 90);
      EXPECT_EQ(pla->jumpx, 0);
      EXPECT_EQ(pla->y, 0);
      EXPECT_EQ(pla->layer, layer);
      EXPECT_EQ(pla->x, 44);
    } else {
      EXPECT_EQ(pla->jump, jump);
      EXPECT_EQ(pla->y, yoff);
      EXPECT_EQ(pla->jumpx, 3);
    }
    return caught;
  }
};

TEST_F(GripCatch, WindowsAndControls) {
  Cells(0, 2, {5}, GRIP);
  Cells(1, 2, {5}, GRIP);
  struct Case {
    int32_t jump, y, layer;
    bool jumpKey, upKey, caught;
  };
  const std::vector<Case> cases = {
      {75, 0, 2, true, false, false},  {76, 0, 2, true, false, true},   {90, 0, 2, true, false, true},
      {104, 0, 2, true, false, true},  {105, 0, 2, true, false, false}, {0, 29, 2, true, false, false},
      {0, 30, 2, true, false, true},   {0, 34, 2, false, true, true},   {0, 35, 2, true, false, false},
      {0, -25, 4, true, false, false}, {0, -24, 4, true, false, true},  {0, -20, 4, true, true, true},
      {0, -19, 4, true, false, false}, {0, 0, 2, true, true, false},    {90, 0, 4, false, false, false},
      {80, 0, 4, false, true, true},
      // Climbing out of the top of the room: no hanging above the room.
      {0, 31, 0, false, true, false},  {0, 34, 0, true, true, false},   {85, 0, 0, true, false, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Caught(c.jump, c.y, c.layer, c.jumpKey, c.upKey), c.caught)
        << "jump=" << c.jump << " y=" << c.y << " layer=" << c.layer << " keys=" << c.jumpKey << c.upKey;
}

TEST_F(GripCatch, OnlyThePlayerOnItsOwnCellAndHalf) {
  Cells(1, 0, {5}, GRIP);  // the other half
  EXPECT_FALSE(Caught(90, 0, 2, true, true));
  Cells(0, 0, {6}, GRIP);  // the next column
  EXPECT_FALSE(Caught(90, 0, 2, true, true));
  // Grips on every layer catch like one, and a creature is never caught.
  Cells(0, 0, {5}, GRIP);
  Cells(0, 1, {5}, GRIP);
  Cells(0, 3, {5}, GRIP);
  EXPECT_TRUE(Caught(90, 0, 2, true, false));
  auto bat = std::make_shared<ect>(*pla);
  bat->t = BAT;
  bat->jump = 90;
  playstate.hanging = 0;
  obj = bat;
  CellProbe();
  EXPECT_EQ(playstate.hanging, 0);
  EXPECT_EQ(bat->jump, 90);
  EXPECT_EQ(n, 4);
}

TEST_F(GripCatch, AJumpStraightUpUnderAGripIsCaughtAt80AndHangsWhileHeld) {
  Cells(0, 1, {2}, GRIP);
  testbackend::PressKey(kJumpKey);
  pla->jump = 5;
  std::vector<int32_t> jumps;
  for (int turn = 0; turn < 20; ++turn) {
    ScanObjects();
    jumps.push_back(pla->jump);
    if (playstate.hanging) break;
  }
  // 5 -> 10 ... 80 caught: 90 -> 95 after the arc's step.
  EXPECT_EQ(jumps.size(), 16u);
  EXPECT_EQ(jumps.back(), 95);
  for (int turn = 0; turn < 5; ++turn) {
    ScanObjects();
    EXPECT_EQ(playstate.hanging, 1);
    EXPECT_EQ(pla->jump, 95);
  }
  // Let go: the arc runs on from 95 and ends in the 18th frame.
  testbackend::ReleaseKey(kJumpKey);
  int frames = 0;
  while (pla->jump != 0 && frames < 40) {
    ScanObjects();
    ++frames;
  }
  EXPECT_EQ(frames, 18);
}

}  // namespace

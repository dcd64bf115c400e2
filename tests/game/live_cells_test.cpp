// Live cells: the explosion countdown and its bang, the turrets' firing
// schedule and shots, floors crumbling under a standing player, gates opened
// by their keys, and holes drawn with their edge forms.
#include <vector>

#include "cells_test_util.h"
#include "game/cell_pass.h"
#include "game/live_cells.h"

namespace {

using cellstest::CellTest;
using cellstest::Drawn;
using cellstest::Played;

class LiveCellsTest : public CellTest {
 protected:
  void SetUp() override {
    CellTest::SetUp();
    PlayerUnseen();
  }
  // One cell pass per frame, with the level clock running as the frame head runs it.
  void Frame() {
    ++leveltick;
    if (leveltick >= 240) leveltick = 0;
    CellPass();
  }
  static std::vector<std::shared_ptr<ect>> Things() {
    std::vector<std::shared_ptr<ect>> out;
    for (const auto& o : objects) out.push_back(o);
    return out;
  }
  static std::vector<int> Frames() {
    std::vector<int> out;
    for (const Drawn& d : Images()) out.push_back(d.frame);
    return out;
  }
};

TEST_F(LiveCellsTest, ExplosionCountsUpOnceAFrameBangsAt158AndClearsAfter159) {
  Put(0, 1, 7, 144);
  std::vector<int32_t> stages;
  std::vector<size_t> bangs;
  for (int frame = 1; frame <= 17; ++frame) {
    ClearRecords();
    Frame();
    stages.push_back(Live(0, 1, 7));
    for (const Played& p : Sounds()) {
      EXPECT_EQ(p, (Played{1, 0.4f}));
      bangs.push_back(frame);
    }
    if (frame <= 15) EXPECT_EQ(Frames(), std::vector<int>{144 + frame}) << "drawn as the stage it reached";
    else EXPECT_TRUE(Images().empty());
  }
  std::vector<int32_t> want;
  for (int s = 145; s <= 159; ++s) want.push_back(s);
  want.push_back(0);
  want.push_back(0);
  EXPECT_EQ(stages, want);
  EXPECT_EQ(bangs, std::vector<size_t>{14});
  EXPECT_EQ(room->objEdit[RoomCell(0, 1, 7)], 144) << "the editor's cells are not counted down";
}

TEST_F(LiveCellsTest, CountdownLeavesOtherCodesAlone) {
  const int32_t codes[] = {143, 160, 0, -5, 42, 255};
  for (int column = 0; column < 6; ++column) Put(1, 3, column, codes[column]);
  CellPass();
  for (int column = 0; column < 6; ++column) EXPECT_EQ(Live(1, 3, column), codes[column]);
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(LiveCellsTest, TwoExplosionsReaching158TogetherEachBang) {
  Put(0, 0, 1, 157);
  Put(1, 2, 9, 157);
  CellPass();
  EXPECT_EQ(Sounds(), (std::vector<Played>{{1, 0.4f}, {1, 0.4f}}));
}

TEST_F(LiveCellsTest, TurretsFireOnTheirColumnsScheduleEvery120Frames) {
  Put(0, 0, 0, kTurretLeft);
  Put(1, 3, 22, kTurretRight);
  Put(0, 2, 7, kTurretRight);
  Put(1, 1, 9, kKeyBlue);
  Put(1, 1, 10, 110);
  std::vector<std::pair<int, int>> fired;  // (leveltick, shot x)
  leveltick = 239;
  for (int frame = 0; frame < 480; ++frame) {
    ClearList(objects);
    ListAddLast(objects, pla);
    Frame();
    for (const auto& o : objects) {
      if (o != pla) fired.push_back({leveltick, o->x});
    }
  }
  const std::vector<std::pair<int, int>> once = {{0, 0}, {35, 56}, {110, 176}, {120, 0}, {155, 56}, {230, 176}};
  std::vector<std::pair<int, int>> want = once;
  want.insert(want.end(), once.begin(), once.end());
  EXPECT_EQ(fired, want);
}

TEST_F(LiveCellsTest, TurretShotsStartAtTheTurretsLeftEdgeAndTravelItsWay) {
  pla->roomx = 3;
  pla->roomy = -2;
  Put(0, 0, 0, kTurretLeft);
  leveltick = 0;
  CellPass();
  Put(0, 0, 0, 0);
  Put(1, 3, 22, kTurretRight);
  leveltick = 110;
  CellPass();
  ASSERT_EQ(CountList(objects), 3);
  const std::vector<std::shared_ptr<ect>> all = Things();
  const ect& right = *all[0];
  const ect& left = *all[1];
  EXPECT_EQ(all[2], pla);
  EXPECT_EQ(obj, all[0]) << "obj refers to the newest shot";
  for (const ect* s : {&left, &right}) {
    EXPECT_EQ(s->t, 70);
    EXPECT_EQ(s->y, 0);
    EXPECT_EQ(s->roomx, 3);
    EXPECT_EQ(s->roomy, -2);
    EXPECT_EQ(s->oID, 0);
    EXPECT_EQ(s->health, 0);
  }
  EXPECT_EQ((std::vector<int>{left.x, left.layer, left.gx, left.d}), (std::vector<int>{0, 2, -4, -1}));
  EXPECT_EQ((std::vector<int>{right.x, right.layer, right.gx, right.d}), (std::vector<int>{176, 4, 4, 1}));
  EXPECT_EQ(Sounds(), (std::vector<Played>{{1, 1.5f}, {1, 1.5f}}));
  EXPECT_EQ(Live(0, 0, 0), 0);
  EXPECT_EQ(Live(1, 3, 22), kTurretRight) << "firing leaves the turret as it is";
}

TEST_F(LiveCellsTest, TurretsOfOneColumnFireTogetherTheLastVisitedFirstInTheList) {
  auto earlier = std::make_shared<ect>();
  earlier->t = 64;
  ListAddFirst(objects, earlier);
  Put(0, 0, 3, kTurretLeft);
  Put(1, 2, 3, kTurretRight);
  leveltick = 135;
  CellPass();
  const std::vector<std::shared_ptr<ect>> all = Things();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0]->layer, 4);
  EXPECT_EQ(all[1]->layer, 2);
  EXPECT_EQ(all[2], earlier);
  EXPECT_EQ(all[3], pla);
  EXPECT_EQ(Sounds().size(), 2u);
}

TEST_F(LiveCellsTest, StandingPlayerCrumblesAFloorIntoAHoleOnEvenTicks) {
  for (int first : {0, 1}) {
    SCOPED_TRACE(first);
    Put(1, 2, 6, kCrumble);
    pla->layer = 4;
    pla->x = 48;
    leveltick = first - 1;
    std::vector<int32_t> stages;
    std::vector<int> drawn;
    for (int frame = 1; frame <= 13; ++frame) {
      ClearRecords();
      Frame();
      stages.push_back(Live(1, 2, 6));
      drawn.push_back(Frames().at(0));
    }
    const std::vector<int32_t> even = {53, 53, 54, 54, 55, 55, 56, 56, 57, 57, 45, 45, 45};
    const std::vector<int32_t> odd = {52, 53, 53, 54, 54, 55, 55, 56, 56, 57, 57, 45, 45};
    EXPECT_EQ(stages, first == 0 ? even : odd);
    // Drawn as it was when its visit began: the hole shows a frame later.
    const int opened = first == 0 ? 10 : 11;
    EXPECT_EQ(drawn[opened], 57);
    EXPECT_EQ(drawn[opened + 1], 44);
    EXPECT_TRUE(Sounds().empty());
    EXPECT_EQ(room->objEdit[RoomCell(1, 2, 6)], kCrumble);
  }
}

TEST_F(LiveCellsTest, CrumblingNeedsThePlayerAtRestWithinFourPixelsOnTheHalf) {
  struct Case {
    int x, layer, jump, y;
    int32_t after;
  };
  const Case cases[] = {{36, 2, 0, 0, 53}, {44, 2, 0, 0, 53}, {35, 2, 0, 0, 52}, {45, 2, 0, 0, 52},
                        {40, 4, 0, 0, 52}, {40, 2, 5, 0, 52}, {40, 2, 90, 0, 52}, {40, 2, 0, -3, 52},
                        {40, 2, 0, 3, 52}};
  for (const Case& c : cases) {
    Put(0, 3, 5, kCrumble);  // any layer of the half crumbles
    pla->x = c.x;
    pla->layer = c.layer;
    pla->jump = c.jump;
    pla->y = c.y;
    leveltick = 8;
    CellPass();
    EXPECT_EQ(Live(0, 3, 5), c.after) << c.x << " " << c.layer << " " << c.jump << " " << c.y;
  }
}

TEST_F(LiveCellsTest, APlayerBetweenTwoFloorsCrumblesBothAndTheOtherHalfNot) {
  Put(0, 0, 5, kCrumble);
  Put(0, 0, 6, 54);
  Put(0, 2, 5, kCrumble);
  Put(1, 0, 5, kCrumble);
  pla->x = 44;
  leveltick = 2;
  CellPass();
  EXPECT_EQ(Live(0, 0, 5), 53);
  EXPECT_EQ(Live(0, 0, 6), 55);
  EXPECT_EQ(Live(0, 2, 5), 53);
  EXPECT_EQ(Live(1, 0, 5), kCrumble);
}

TEST_F(LiveCellsTest, GateOpensForItsKeyTakingTheHighestSlotForFifty) {
  Put(0, 1, 10, kGateRed);
  pla->inv[3] = kKeyRed;
  pla->inv[11] = kKeyRed;
  pla->inv[12] = kKeyBlue;
  pla->x = 87;
  CellPass();
  EXPECT_EQ(Live(0, 1, 10), 0);
  EXPECT_EQ(room->objEdit[RoomCell(0, 1, 10)], kGateRed);
  EXPECT_EQ(pla->inv[11], 0);
  EXPECT_EQ(pla->inv[3], kKeyRed);
  EXPECT_EQ(pla->inv[12], kKeyBlue);
  EXPECT_EQ(pla->score, 50);
  EXPECT_EQ(Sounds(), (std::vector<Played>{{12, 1.0f}}));
  EXPECT_EQ(Frames(), std::vector<int>{kGateRed}) << "drawn closed in the frame it opens";
}

TEST_F(LiveCellsTest, GateStaysWithoutItsKeyOutOfReachOrInTheOtherHalf) {
  struct Case {
    int x, layer, key;
    int32_t after;
  };
  const Case cases[] = {{73, 2, kKeyGreen, 0},    {87, 2, kKeyGreen, 0},     {88, 2, kKeyGreen, kGateGreen},
                        {72, 2, kKeyGreen, kGateGreen}, {80, 4, kKeyGreen, kGateGreen}, {80, 2, kKeyRed, kGateGreen}};
  for (const Case& c : cases) {
    Put(0, 3, 10, kGateGreen);
    pla->inv.fill(0);
    pla->inv[0] = c.key;
    pla->x = c.x;
    pla->layer = c.layer;
    pla->jump = 45;  // mid-jump opens too
    n = 77;
    CellPass();
    EXPECT_EQ(Live(0, 3, 10), c.after) << c.x << " " << c.layer << " " << c.key;
    const bool inReach = c.x != 88 && c.x != 72 && c.layer == 2;
    EXPECT_EQ(n, inReach ? 20 : 77) << "the key scan runs only within reach";
  }
}

TEST_F(LiveCellsTest, TwoGatesOfOneColourAndOneKeyOpenOnlyTheFirstVisited) {
  Put(0, 1, 10, kGateBlue);
  Put(0, 0, 10, kGateBlue);
  pla->inv[5] = kKeyBlue;
  pla->x = 80;
  CellPass();
  EXPECT_EQ(Live(0, 0, 10), 0);
  EXPECT_EQ(Live(0, 1, 10), kGateBlue);
}

TEST_F(LiveCellsTest, HolesAreDrawnWithTheirEdgeFormsFromTheLiveCells) {
  struct Case {
    std::vector<int> holes;
    std::vector<int> drawn;
  };
  const Case cases[] = {{{10}, {44}},
                        {{10, 11, 12, 13}, {44, 45, 45, 46}},
                        {{10, 11}, {44, 46}},
                        {{0, 1, 2, 3}, {45, 45, 45, 46}},
                        {{19, 20, 21, 22}, {44, 45, 45, 45}},
                        {{0}, {46}},
                        {{22}, {44}}};
  for (const Case& c : cases) {
    room->obj.fill(0);
    for (int column : c.holes) room->obj[RoomCell(1, 1, column)] = 45;
    ClearRecords();
    CellPass();
    EXPECT_EQ(Frames(), c.drawn);
    for (int column : c.holes) EXPECT_EQ(Live(1, 1, column), 45);
  }
  room->obj.fill(0);
  for (int column = 0; column <= 22; ++column) room->obj[RoomCell(0, 0, column)] = 45;
  ClearRecords();
  CellPass();
  EXPECT_EQ(Frames(), std::vector<int>(23, 45));
}

TEST_F(LiveCellsTest, AFloorThatGaveWayEarlierInThePassCountsAsAHoleForItsNeighbour) {
  Put(0, 0, 4, 57);
  Put(0, 0, 5, 45);
  pla->x = 32;
  leveltick = 4;
  CellPass();
  EXPECT_EQ(Frames(), (std::vector<int>{57, 46}));
}

}  // namespace

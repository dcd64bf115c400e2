// The cell pass: which cells it visits and in what order, where each code's
// image goes, the editor's faded copy of every layer in the overview, and the
// colour and alpha each layer is drawn with.
#include <vector>

#include "cells_test_util.h"
#include "game/cell_pass.h"
#include "platform/graphics.h"

namespace {

using cellstest::CellTest;
using cellstest::Drawn;

class CellPassTest : public CellTest {
 protected:
  void SetUp() override {
    CellTest::SetUp();
    playstate.halfstyle = 1;
    PlayerUnseen();
  }
};

TEST_F(CellPassTest, ImagePlacementAtTheRangeBoundaries) {
  struct Case {
    int code;
    bool drawn;
    bool strip;
    int frame;
    int row;  // room pixels below the top of the half
  };
  const Case cases[] = {{1, true, true, 1, 0},        {79, true, true, 79, 0},     {80, false, false, 0, 0},
                        {81, true, false, 81, 43},    {499, true, false, 499, 43}, {500, false, false, 0, 0},
                        {580, false, false, 0, 0},    {581, true, false, 81, 11},  {999, true, false, 499, 11},
                        {1000, false, false, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    testgraphics::ClearDraws();
    DrawCellImage(c.code, 3, 1);
    const std::vector<Drawn> d = Images();
    if (!c.drawn) {
      EXPECT_TRUE(d.empty());
      continue;
    }
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], (Drawn{c.strip ? BG_bit[1] : gfx, c.frame, 3 * 56, 448 + c.row * 7}));
  }
}

TEST_F(CellPassTest, ImagePlacementExamples) {
  playstate.halfstyle = 2;
  DrawCellImage(42, 22, 1);
  DrawCellImage(96, 0, 0);
  DrawCellImage(600, 1, 0);
  playstate.zoom = 4.0390625f;
  SetSize(playstate.zoom);
  DrawCellImage(96, 5, 1);
  const std::vector<Drawn> want = {
      {BG_bit[2], 42, 1232, 448}, {gfx, 96, 0, 301}, {gfx, 100, 56, 77}, {gfx, 96, 161, 432}};
  EXPECT_EQ(Images(), want);
  const auto r = ImageRecords();
  EXPECT_EQ(r[0].w * r[0].scale_x, 56.0f);
  EXPECT_EQ(r[0].h * r[0].scale_y, 448.0f);
  EXPECT_EQ(r[1].h * r[1].scale_y, 112.0f);
}

TEST_F(CellPassTest, StripsOfStylesOutsideTheTableDrawNothing) {
  for (int style : {0, 100, 150, -1}) {
    playstate.halfstyle = style;
    DrawCellImage(42, 0, 0);
  }
  DrawCellImage(96, 0, 0);  // sprites do not depend on the style
  EXPECT_EQ(Images().size(), 1u);
}

TEST_F(CellPassTest, VisitsTheRoomTopHalfFirstLayerByLayerColumnByColumn) {
  // Every slot holds a sprite code that names its own index; the images drawn
  // are then the visited slots, in visit order.
  for (int i = 0; i < 200; ++i) room->obj[i] = 256 + i;
  CellPass();
  std::vector<int> visited;
  for (const Drawn& d : Images()) visited.push_back(d.frame - 256);
  std::vector<int> want;
  for (int half = 0; half <= 1; ++half)
    for (int layer = 0; layer <= 3; ++layer)
      for (int column = 0; column <= 22; ++column) want.push_back(RoomCell(half, layer, column));
  EXPECT_EQ(visited, want);
  EXPECT_EQ(visited.size(), 184u);
  EXPECT_EQ(visited.front(), 0);
  EXPECT_EQ(visited.back(), 197);
  EXPECT_EQ(x, 23);
  EXPECT_EQ(y, 2);
  EXPECT_EQ(playstate.celllayer, 4);
}

TEST_F(CellPassTest, SlotsOfColumns23And24AreNeverVisited) {
  // An explosion stage counts down in every visited slot and only there.
  room->obj.fill(150);
  CellPass();
  for (int i = 0; i < 200; ++i) {
    const bool outside = CellColumn(i) >= 23;
    EXPECT_EQ(room->obj[i], outside ? 150 : 151) << i;
  }
}

TEST_F(CellPassTest, EachHalfTakesItsOwnStyle) {
  room->StyleTop = 2;
  room->StyleBot = 1;
  Put(0, 0, 0, 42);
  Put(1, 0, 0, 42);
  CellPass();
  const std::vector<Drawn> d = Images();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].image, BG_bit[2]);
  EXPECT_EQ(d[1].image, BG_bit[1]);
}

// Colour and alpha of each image drawn, as (r, alpha) pairs in draw order.
struct Shade {
  int frame, r, g, b;
  float alpha;
  bool operator==(const Shade&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Shade& s) {
  return os << "{" << s.frame << ": " << s.r << "," << s.g << "," << s.b << " a" << s.alpha << "}";
}

TEST_F(CellPassTest, OverviewDrawsEachLayersGhostThenItsCellsEmphasisingTheEditedLayer) {
  playstate.overview = 1;
  playstate.editlayer = 2;
  // One sprite per layer in column 4 of both halves, its frame naming its layer.
  for (int half = 0; half <= 1; ++half)
    for (int layer = 0; layer <= 3; ++layer) Put(half, layer, 4, 300 + layer);
  SetAlpha(0.2f);
  CellPass();
  std::vector<Shade> got;
  for (const auto& r : ImageRecords()) got.push_back({r.frame, r.r, r.g, r.b, r.alpha});
  std::vector<Shade> want;
  for (int half = 0; half <= 1; ++half) {
    for (int layer = 0; layer <= 3; ++layer) {
      want.push_back({300 + layer, 180, 255, 255, 0.3f});
      want.push_back({300 + layer, 255, 255, 255, layer == 2 ? 1.0f : 0.5f});
    }
  }
  EXPECT_EQ(got, want);
  EXPECT_EQ(GetAlpha(), 1.0f) << "layer 3 left 0.5 behind; the pass ends at 1";
}

TEST_F(CellPassTest, CellsAfterTheEditorsPreviewAreDrawnAtFullStrength) {
  EmptyRoom = NewBlankRoom();  // the room under the pointer exists already
  playstate.overview = 1;
  playstate.editlayer = 2;
  playstate.edititem = 96;
  for (int column : {3, 4, 5}) Put(0, 2, column, 300 + column);
  mx = SpriteLeft(4) + 20;  // inside column 4 of the top half, no button held
  my = 100;
  CellPass();
  std::vector<Shade> got;
  for (const auto& r : ImageRecords()) got.push_back({r.frame, r.r, r.g, r.b, r.alpha});
  const std::vector<Shade> want = {
      {303, 180, 255, 255, 0.3f}, {304, 180, 255, 255, 0.3f}, {305, 180, 255, 255, 0.3f},  // the ghost
      {303, 255, 255, 255, 1.0f}, {304, 255, 255, 255, 1.0f},
      {96, 255, 255, 255, 0.75f},  // the preview over the pointer's cell
      {305, 255, 255, 255, 1.0f},
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(ThisRoom, room);
}

TEST_F(CellPassTest, WithoutTheOverviewNoGhostAndEveryCellWhiteAndOpaque) {
  playstate.editlayer = 2;
  for (int layer = 0; layer <= 3; ++layer) Put(0, layer, 4, 300 + layer);
  CellPass();
  const auto records = ImageRecords();
  ASSERT_EQ(records.size(), 4u);
  for (const auto& r : records) {
    EXPECT_EQ(r.alpha, 1.0f);
    EXPECT_EQ(r.r, 255);
  }
}

TEST_F(CellPassTest, GhostFormsHolesFromTheEditorCells) {
  struct Case {
    std::vector<int> holes;
    std::vector<int> drawn;
  };
  const Case cases[] = {{{4, 5, 6}, {44, 45, 46}}, {{10}, {44}},       {{0}, {46}},
                        {{22}, {44}},              {{0, 1}, {45, 46}}, {{21, 22}, {44, 45}}};
  for (const Case& c : cases) {
    room->objEdit.fill(0);
    room->obj.fill(0);
    for (int column : c.holes) room->objEdit[RoomCell(1, 2, column)] = 45;
    // Holes beside it on other layers and in the other half do not count.
    room->objEdit[RoomCell(1, 1, 3)] = room->objEdit[RoomCell(0, 2, 3)] = 45;
    y = 1;
    playstate.celllayer = 2;
    testgraphics::ClearDraws();
    DrawEditGhost();
    std::vector<int> frames;
    for (const Drawn& d : Images()) frames.push_back(d.frame);
    EXPECT_EQ(frames, c.drawn);
  }
}

TEST_F(CellPassTest, GhostShowsTheEditorsCellsWhereTheLiveOnesDiffer) {
  playstate.overview = 1;
  Put(0, 0, 5, 52);   // a crumbling floor that has given way in play
  room->obj[RoomCell(0, 0, 5)] = 45;
  Put(0, 0, 6, 45);
  Put(0, 0, 8, 96);   // a gem taken in play
  room->obj[RoomCell(0, 0, 8)] = 0;
  Put(0, 0, 10, 162);  // a creature: only the ghost draws it
  room->objEdit[RoomCell(0, 0, 12)] = -3;
  y = 0;
  playstate.celllayer = 0;
  DrawEditGhost();
  std::vector<Drawn> ghost = Images();
  const std::vector<Drawn> want = {
      {BG_bit[1], 52, 280, 0}, {BG_bit[1], 44, 336, 0}, {gfx, 96, 448, 301}, {gfx, 162, 560, 301}};
  EXPECT_EQ(ghost, want);
  EXPECT_EQ(u, 162);

  testgraphics::ClearDraws();
  playstate.overview = 0;
  CellPass();
  std::vector<int> live;
  for (const Drawn& d : Images()) live.push_back(d.frame);
  EXPECT_EQ(live, (std::vector<int>{44, 46}));
}

TEST_F(CellPassTest, RaisedCodesAreDrawnByTheCeilingStep) {
  Put(0, 1, 2, 600);
  Put(1, 1, 2, 170);  // creatures are things of their own, not drawn as cells
  Put(1, 0, 2, 80);
  Put(1, 2, 2, 500);
  CellPass();
  EXPECT_EQ(Images(), (std::vector<Drawn>{{gfx, 100, 112, 77}}));
}

}  // namespace

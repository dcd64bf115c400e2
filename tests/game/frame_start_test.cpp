// The start of a frame: the head with its level clock and room entry; the
// room's origin and scale at the three screen widths; the editor's overview
// zoom easing both ways; the backdrop's shifts and draws.
#include <vector>

#include "cells_test_util.h"
#include "framework/draw.h"
#include "game/cell_pass.h"
#include "game/frame_start.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/test/test_input.h"

namespace {

using cellstest::CellTest;
using cellstest::Drawn;

constexpr int kSpace = 32;

class FrameStartTest : public CellTest {
 protected:
  // Runs the Space toggle and easing for `frames` frames; the zoom at the end
  // of each.
  static std::vector<float> Ease(int frames) {
    std::vector<float> out;
    for (int i = 0; i < frames; ++i) {
      OverviewZoom();
      out.push_back(playstate.zoom);
    }
    return out;
  }
  static void PressSpace() { testbackend::TapKey(kSpace); }
};

TEST_F(FrameStartTest, LevelClockRunsFrom0To239AndWraps) {
  leveltick = 0;
  std::vector<int32_t> seen;
  for (int i = 0; i < 241; ++i) {
    FrameHead();
    seen.push_back(leveltick);
  }
  EXPECT_EQ(seen.front(), 1);
  EXPECT_EQ(seen[238], 239);
  EXPECT_EQ(seen[239], 0);
  EXPECT_EQ(seen[240], 1);
}

TEST_F(FrameStartTest, ARoomRequestIsServedOnceAtTheHead) {
  auto other = NewBlankRoom();
  other->roomx = 1;
  ListAddLast(rooms, other);
  ListAddLast(objects, std::make_shared<ect>());  // a shot of the room left
  pla->roomx = 1;
  FrameHead();
  EXPECT_EQ(ThisRoom, room) << "no request, no entry";
  playstate.newroom = 1;
  FrameHead();
  EXPECT_EQ(ThisRoom, other);
  EXPECT_EQ(playstate.newroom, 0);
  EXPECT_EQ(CountList(objects), 1);
}

TEST_F(FrameStartTest, HeadClearsTheDrawBudget) {
  DrawCount[kDrawMain] = 900;
  FrameHead();
  EXPECT_EQ(DrawCount[kDrawMain], 0);
}

TEST_F(FrameStartTest, ZoomEasesOutToTheOverviewAndBackIn23Frames) {
  editmode = 1;
  PressSpace();
  const std::vector<float> out = Ease(23);
  EXPECT_EQ(playstate.overview, 1);
  EXPECT_EQ(playstate.zoomto, 4.0f);
  EXPECT_EQ(VirtualMouseX(), 640);
  EXPECT_EQ(VirtualMouseY(), 480);
  const std::vector<float> first = {6.5f, 6.0833335f, 5.736111f, 5.446759f, 5.2056327f};
  EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 5), first);
  EXPECT_EQ(out[21], 4.054342f);
  EXPECT_EQ(out[22], 4.0f);

  PressSpace();
  const std::vector<float> back = Ease(23);
  EXPECT_EQ(playstate.overview, 0);
  EXPECT_EQ(playstate.zoomto, 7.0f);
  EXPECT_EQ(VirtualMouseX(), 1280);
  EXPECT_EQ(VirtualMouseY(), 960);
  EXPECT_EQ(std::vector<float>(back.begin(), back.begin() + 3), (std::vector<float>{4.5f, 4.9166665f, 5.263889f}));
  EXPECT_EQ(back[21], 6.945658f);
  EXPECT_EQ(back[22], 7.0f);
}

TEST_F(FrameStartTest, ASecondSpaceTurnsTheEasingAroundAtOnce) {
  editmode = 1;
  PressSpace();
  Ease(5);
  ASSERT_EQ(playstate.zoom, 5.2056327f);
  PressSpace();
  const std::vector<float> back = Ease(20);
  EXPECT_EQ(playstate.overview, 0);
  EXPECT_EQ(back[0], 5.504694f);
  EXPECT_NE(back[18], 7.0f);
  EXPECT_EQ(back[19], 7.0f);
}

TEST_F(FrameStartTest, SpaceOutsideTheEditorOrWhileTypingIsUsedUpAndSwitchesNothing) {
  PressSpace();
  Ease(1);
  EXPECT_EQ(playstate.overview, 0);
  editmode = 1;
  playstate.titleedit = 1;
  PressSpace();
  Ease(1);
  EXPECT_EQ(playstate.overview, 0);
  playstate.titleedit = 0;
  Ease(1);
  EXPECT_EQ(playstate.overview, 0) << "a press is not kept for later";
  EXPECT_EQ(playstate.zoom, 7.0f);
}

struct Width {
  int w, h, basex;
};

TEST_F(FrameStartTest, OriginAndColumnCornersAtTheThreeWidths) {
  for (const Width& s : {Width{1280, 960, 0}, Width{1600, 900, 160}, Width{1440, 900, 80}}) {
    SCOPED_TRACE(s.w);
    JScrw = s.w;
    JScrh = s.h;
    playstate.halfstyle = 1;
    playstate.basex = s.basex;
    playstate.basey = 1;
    playstate.zoom = 7.0f;
    RoomOrigin();
    EXPECT_EQ(playstate.viewx, s.basex);
    EXPECT_EQ(playstate.viewy, 1);
    testgraphics::ClearDraws();
    DrawCellImage(42, 0, 1);
    DrawCellImage(42, 22, 0);
    EXPECT_EQ(Images()[0].left, s.basex);
    EXPECT_EQ(Images()[0].top, 449);
    EXPECT_EQ(Images()[1].left, s.basex + 1232);
    EXPECT_EQ(Images()[1].top, 1);

    playstate.zoom = 4.0f;
    RoomOrigin();
    EXPECT_EQ(playstate.viewx, s.basex + 276);
    EXPECT_EQ(playstate.viewy, 193);
    testgraphics::ClearDraws();
    DrawCellImage(42, 22, 1);
    EXPECT_EQ(Images()[0].left, s.basex + 276 + 704);
    EXPECT_EQ(Images()[0].top, 449) << "the halves meet on the same line at both zooms";
  }
}

TEST_F(FrameStartTest, OriginWhileEasingIsTruncatedOnceAndColumnsEachOnTheirOwn) {
  playstate.basex = 80;
  playstate.basey = 1;
  playstate.zoom = 6.0833335f;
  playstate.halfstyle = 1;
  RoomOrigin();
  EXPECT_EQ(playstate.viewx, 80 + 84);
  EXPECT_EQ(playstate.viewy, 1 + 58);
  for (int column = 0; column <= 4; ++column) DrawCellImage(42, column, 0);
  std::vector<long> lefts;
  for (const Drawn& d : Images()) lefts.push_back(d.left - playstate.viewx);
  EXPECT_EQ(lefts, (std::vector<long>{0, 48, 97, 146, 194}));
}

TEST_F(FrameStartTest, TheSwitchFrameKeepsTheOldOriginWithTheNewScale) {
  editmode = 1;
  playstate.basey = 1;
  PressSpace();
  FrameStart();
  EXPECT_EQ(playstate.viewx, 0);
  EXPECT_EQ(playstate.viewy, 1);
  float sx = 0, sy = 0;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 6.5f);
  EXPECT_EQ(sy, 6.5f);
}

struct Shift {
  int roomx, roomy, top, bottom;
};

TEST_F(FrameStartTest, BackdropShiftsFollowThePlayersGridPosition) {
  for (const Shift& s : {Shift{0, 0, 0, 0}, Shift{1, 0, 37, 25}, Shift{0, 1, 42, 57}, Shift{2, 3, 40, 61},
                         Shift{5, 0, 25, 125}, Shift{-1, 0, 37, 25}, Shift{1, -1, 5, 32}}) {
    SCOPED_TRACE(testing::Message() << s.roomx << "," << s.roomy);
    pla->roomx = s.roomx;
    pla->roomy = s.roomy;
    testgraphics::ClearDraws();
    DrawBackdrop();
    const std::vector<Drawn> d = Images();
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[2].left, s.top * 7);
    EXPECT_EQ(d[3].left, s.bottom * 7);
  }
}

TEST_F(FrameStartTest, SixBackdropDrawsAlternateTopAndBottomFromLeftToRight) {
  room->BGTop = 1;
  room->BGBot = 0;
  DrawBackdrop();
  const std::vector<Drawn> want = {{BG[1], 1, -1120, 0}, {BG[2], 0, -1120, 448}, {BG[1], 1, 0, 0},
                                   {BG[2], 0, 0, 448},   {BG[1], 1, 1120, 0},   {BG[2], 0, 1120, 448}};
  EXPECT_EQ(Images(), want);
}

TEST_F(FrameStartTest, BackdropAtAFractionalZoomTruncatesEachStrip) {
  playstate.zoom = 6.5f;
  playstate.viewx = 46;
  pla->roomx = 1;
  DrawBackdrop();
  const std::vector<Drawn> d = Images();
  ASSERT_EQ(d.size(), 6u);
  EXPECT_EQ(d[0].left, -753);
  EXPECT_EQ(d[2].left, 286);
  EXPECT_EQ(d[4].left, 1326);
}

TEST_F(FrameStartTest, BackdropOfAStyleOrFrameTheTablesDoNotHoldDrawsNothingForThatHalf) {
  struct Case {
    int styletop, bgtop, stylebot, bgbot;
    size_t draws;
  };
  for (const Case& c : {Case{150, 0, 2, 0, 3}, Case{1, 7, 2, 0, 3}, Case{0, 0, 2, 1, 3}, Case{1, 1, 100, 0, 3},
                        Case{1, 0, 2, -1, 3}, Case{99, 1, 2, 1, 6}}) {
    BG[99] = BG[1];
    room->StyleTop = c.styletop;
    room->BGTop = c.bgtop;
    room->StyleBot = c.stylebot;
    room->BGBot = c.bgbot;
    testgraphics::ClearDraws();
    DrawBackdrop();
    EXPECT_EQ(Images().size(), c.draws) << c.styletop << " " << c.bgtop << " " << c.stylebot << " " << c.bgbot;
  }
}

TEST_F(FrameStartTest, BackdropIsDrawnWhiteOpaqueUnrotatedAtTheZoomWhateverTheLastFrameLeft) {
  SetColor(10, 20, 30);
  SetAlpha(0.25f);
  SetRotation(45.0f);
  Blend(kBlendLight);
  ASSERT_EQ(GetBlend(), LIGHTBLEND);
  FrameStart();
  const auto records = ImageRecords();
  ASSERT_EQ(records.size(), 6u);
  for (const auto& r : records) {
    EXPECT_EQ(r.scale_x, 7.0f);
    EXPECT_EQ(r.scale_y, 7.0f);
    EXPECT_EQ(r.rotation, 0.0f);
    EXPECT_EQ(r.alpha, 1.0f);
    EXPECT_EQ((std::vector<int>{r.r, r.g, r.b}), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(r.blend, ALPHABLEND);
  }
}

}  // namespace

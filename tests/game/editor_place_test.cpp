// The editor's cell under the pointer: the hover test, the room made on
// hover, the preview, placing with the left button and erasing with the
// right.
#include <string>
#include <vector>

#include "framework/globals.h"
#include "game/editor_place.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game_test_util.h"
#include "level/rooms.h"
#include "platform/list.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

using gametest::GameTest;
using testgraphics::Op;

class EditPlaceTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    editmode = 1;
    playstate = PlayState{};
    playstate.overview = 1;
    playstate.zoom = 4.0f;
    playstate.viewx = 276;
    playstate.viewy = 193;
    playstate.edititem = 42;
    room = gametest::FreshLevel(true);
    BG_bit[1] = testgraphics::MakeImage(8, 64 * 80, std::vector<uint32_t>(8 * 64 * 80, 0xFFFFFFFFu), 8, 64, 0, 80);
    gfx = testgraphics::MakeImage(8, 16 * 200, std::vector<uint32_t>(8 * 16 * 200, 0xFFFFFFFFu), 8, 16, 0, 200);
  }

  // One visit of the cell at half `half`, layer `layer`, column `column`.
  static void Visit(int32_t half, int32_t layer, int32_t column) {
    y = half;
    playstate.celllayer = layer;
    playstate.halfstyle = half == 0 ? ThisRoom->StyleTop : ThisRoom->StyleBot;
    x = column;
    EditPlace();
  }
  // Every visit of a frame's pass.
  static void Pass() {
    for (int32_t half = 0; half <= 1; ++half)
      for (int32_t layer = 0; layer <= 3; ++layer)
        for (int32_t column = 0; column <= 22; ++column) Visit(half, layer, column);
  }
  // Cells of the edited layer that hold `code`.
  static std::vector<int32_t> CellsHolding(int32_t code) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < 200; ++i)
      if (ThisRoom->objEdit[i] == code) out.push_back(i);
    return out;
  }

  std::shared_ptr<layout> room;
};

TEST_F(EditPlaceTest, OnlyTheCellStrictlyUnderThePointerOnTheEditedLayerIsPainted) {
  struct Case {
    float zoom;
    int dx, dy;      // pointer relative to the room's corner
    int32_t layer;   // the edited layer
    int32_t cell;    // painted cell, -1 for none
  };
  const std::vector<Case> cases = {
      {4.0f, 32, 100, 0, -1},                        // the border between columns 0 and 1
      {4.0f, 33, 100, 0, RoomCell(0, 0, 1)},
      {4.0f, 33, 256, 0, -1},                        // the border between the halves
      {4.0f, 33, 257, 2, RoomCell(1, 2, 1)},
      {4.0625f, 64, 100, 1, -1},                     // the gap truncation leaves
      {4.0625f, 65, 100, 1, -1},
      {4.0625f, 66, 100, 1, RoomCell(0, 1, 2)},
      {4.0f, 22 * 32 + 31, 500, 3, RoomCell(1, 3, 22)},
      {4.0f, 23 * 32 + 1, 500, 3, -1},               // right of the last column
  };
  testbackend::PressMouse(1);
  for (const Case& c : cases) {
    room->obj.fill(0);
    room->objEdit.fill(0);
    playstate.zoom = c.zoom;
    playstate.editlayer = c.layer;
    playstate.unsaved = 0;
    mx = playstate.viewx + c.dx;
    my = playstate.viewy + c.dy;
    Pass();
    const auto painted = CellsHolding(42);
    if (c.cell < 0) {
      EXPECT_TRUE(painted.empty()) << c.zoom << " " << c.dx << "," << c.dy;
      EXPECT_EQ(playstate.unsaved, 0);
    } else {
      EXPECT_EQ(painted, std::vector<int32_t>{c.cell}) << c.zoom << " " << c.dx << "," << c.dy;
      EXPECT_EQ(room->obj[c.cell], 42);
      EXPECT_EQ(playstate.unsaved, 1);
    }
  }
}

TEST_F(EditPlaceTest, NothingHappensOutsideTheOverview) {
  testbackend::PressMouse(1);
  testbackend::PressMouse(2);
  ThisRoom = EmptyRoom;
  playstate.overview = 0;
  mx = playstate.viewx + 40;
  my = playstate.viewy + 40;
  testgraphics::ClearDraws();
  Pass();
  EXPECT_EQ(ThisRoom, EmptyRoom);
  EXPECT_EQ(CountList(rooms), 2);
  EXPECT_EQ(playstate.unsaved, 0);
  EXPECT_TRUE(testgraphics::DrawsOf(Op::Image).empty());
}

TEST_F(EditPlaceTest, HoveringAtAGridPositionWithoutARoomMakesOneWithoutMarkingTheLevel) {
  auto bat = std::make_shared<ect>();
  bat->t = 160;
  ListAddLast(objects, bat);
  ThisRoom = EmptyRoom;
  pla->roomx = 0;
  pla->roomy = 0;
  mx = playstate.viewx + 40;
  my = playstate.viewy + 40;
  Pass();
  ASSERT_NE(ThisRoom, EmptyRoom);
  EXPECT_EQ(CountList(rooms), 3);
  EXPECT_EQ(ThisRoom->roomx, 0);
  EXPECT_EQ(ThisRoom->StyleTop, 1);
  EXPECT_EQ(ThisRoom->StyleBot, 2);
  EXPECT_EQ(CountList(objects), 1);
  EXPECT_EQ(playstate.unsaved, 0);
  Pass();
  EXPECT_EQ(CountList(rooms), 3);
}

TEST_F(EditPlaceTest, ThePreviewShowsTheChosenItemWhereTheRoomWouldDrawIt) {
  playstate.zoom = 5.3f;
  playstate.viewx = 100;
  playstate.viewy = 110;
  playstate.editlayer = 1;
  mx = 100 + 24 * 5 + 10;  // column 3
  my = 110 + 64 * 5 + 60;  // bottom half
  struct Case {
    int32_t item;
    int image;
    float top;
  };
  room->StyleBot = 1;
  const std::vector<Case> cases = {{42, BG_bit[1], 449}, {45, BG_bit[1], 449}, {160, gfx, 677}, {96, gfx, 677}};
  for (const Case& c : cases) {
    playstate.edititem = c.item;
    testgraphics::ClearDraws();
    Visit(1, 1, 3);
    const auto images = testgraphics::DrawsOf(Op::Image);
    ASSERT_EQ(images.size(), 1u) << c.item;
    EXPECT_EQ(images[0].image, c.image);
    EXPECT_EQ(images[0].frame, c.item);
    EXPECT_FLOAT_EQ(images[0].alpha, 0.75f);
    // drawimg places the frame's top-left corner at the point.
    EXPECT_FLOAT_EQ(images[0].x - images[0].w * images[0].scale_x / 2, 227.0f) << c.item;
    EXPECT_FLOAT_EQ(images[0].y - images[0].h * images[0].scale_y / 2, c.top) << c.item;
  }
  // A style past the table previews nothing but still places.
  room->StyleBot = 150;
  playstate.edititem = 42;
  testgraphics::ClearDraws();
  testbackend::PressMouse(1);
  Visit(1, 1, 3);
  EXPECT_TRUE(testgraphics::DrawsOf(Op::Image).empty());
  EXPECT_EQ(room->objEdit[RoomCell(1, 1, 3)], 42);
}

TEST_F(EditPlaceTest, RightErasesAndBothButtonsLeaveTheCellEmpty) {
  mx = playstate.viewx + 40;
  my = playstate.viewy + 40;
  const int32_t cell = RoomCell(0, 0, 1);
  room->obj[cell] = room->objEdit[cell] = 96;
  testbackend::PressMouse(2);
  Pass();
  EXPECT_EQ(room->obj[cell], 0);
  EXPECT_EQ(room->objEdit[cell], 0);
  EXPECT_EQ(playstate.unsaved, 1);
  playstate.unsaved = 0;
  Pass();  // an empty cell erased again still marks the level
  EXPECT_EQ(playstate.unsaved, 1);
  testbackend::PressMouse(1);
  playstate.edititem = 160;
  Pass();
  EXPECT_EQ(room->obj[cell], 0);
  EXPECT_EQ(room->objEdit[cell], 0);
  testbackend::ReleaseMouse(2);
  Pass();
  EXPECT_EQ(room->obj[cell], 160);
  EXPECT_EQ(room->objEdit[cell], 160);
  // A placed creature code does not come alive until the room is entered.
  EXPECT_EQ(CountList(objects), 1);
}

}  // namespace

// The editor's panels in the overview: the click latch, the room buttons,
// the layer buttons, the appearance selectors and the item palette.
#include <string>
#include <vector>

#include "framework/globals.h"
#include "game/editor_nav.h"
#include "game/editor_palette.h"
#include "game/editor_style.h"
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

class PanelTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    editmode = 1;
    JScrw = 1280;
    JScrh = 960;
    playstate = PlayState{};
    playstate.overview = 1;
    playstate.zoom = 4.0f;
    playstate.viewx = 276;
    playstate.viewy = 193;
    playstate.basey = 1;
    playstate.barwidth = 276;
    playstate.barx = 1012;
    gametest::FreshLevel(false);
    styles = 5;
    mx = my = 0;
  }

  // One frame of the panels with the left button held or not.
  void Frame(bool down) {
    if (down) testbackend::PressMouse(1);
    else testbackend::ReleaseMouse(1);
    testgraphics::ClearDraws();
    if (EditNav()) {
      EditStyle();
      EditPalette();
    }
  }
  static testgraphics::DrawRecord TextDraw(const std::string& text) {
    for (const auto& d : testgraphics::DrawsOf(Op::Text))
      if (d.text == text) return d;
    ADD_FAILURE() << "no text " << text;
    return {};
  }
  static std::vector<int> Colour(const testgraphics::DrawRecord& d) { return {d.r, d.g, d.b}; }
};

TEST_F(PanelTest, TheLatchFollowsTheButtonEvenWithThePanelHidden) {
  struct Step {
    int before;
    bool down;
    int after;
  };
  const std::vector<Step> steps = {{0, true, 1}, {0, false, 0}, {1, true, 1}, {1, false, 0}, {2, true, 2}, {2, false, 0}};
  playstate.overview = 0;
  for (const Step& s : steps) {
    playstate.clicklatch = s.before;
    Frame(s.down);
    EXPECT_EQ(playstate.clicklatch, s.after) << s.before << (s.down ? " down" : " up");
  }
  EXPECT_TRUE(testgraphics::DrawsOf(Op::Text).empty());
}

TEST_F(PanelTest, ARoomButtonMovesOneRoomPerPressAndMakesNoRoom) {
  auto right = std::make_shared<layout>();
  right->roomx = 1;
  ListAddLast(rooms, right);
  mx = 985;  // "Right"
  my = 90;
  for (int i = 0; i < 5; ++i) Frame(true);
  EXPECT_EQ(pla->roomx, 1);
  EXPECT_EQ(ThisRoom, right);
  Frame(false);
  Frame(true);
  EXPECT_EQ(pla->roomx, 2);
  EXPECT_EQ(ThisRoom, EmptyRoom);
  EXPECT_EQ(CountList(rooms), 2);
  EXPECT_EQ(playstate.unsaved, 0);
  mx = 905;  // "Left", three presses
  my = 90;
  for (int i = 0; i < 3; ++i) {
    Frame(false);
    Frame(true);
  }
  Frame(false);
  EXPECT_EQ(pla->roomx, -1);
  EXPECT_EQ(TextDraw("Room : -1,0").x, 900);
  EXPECT_EQ(TextDraw("Room : -1,0").y, 29);
  EXPECT_EQ(Colour(TextDraw("Left")), (std::vector<int>{0, 255, 255}));
  EXPECT_EQ(Colour(TextDraw("Up")), (std::vector<int>{255, 255, 255}));
}

TEST_F(PanelTest, LayerButtonsStandInTheRightBarAndActWhileHeld) {
  Frame(false);
  const std::vector<int> rows = {257, 385, 513, 641};
  for (int n = 1; n <= 4; ++n) {
    const auto label = TextDraw("Layer " + std::to_string(n));
    EXPECT_EQ(label.x, 1022);
    EXPECT_EQ(label.y, rows[n - 1]);
  }
  EXPECT_EQ(Colour(TextDraw("Layer 1")), (std::vector<int>{255, 255, 0}));
  // A press that began elsewhere and is dragged onto button 3.
  playstate.clicklatch = 2;
  mx = 1100;
  my = 520;
  Frame(true);
  EXPECT_EQ(playstate.editlayer, 2);
  EXPECT_EQ(playstate.unsaved, 1);
  ASSERT_NE(ThisRoom, EmptyRoom);  // made at the empty grid position
  EXPECT_EQ(Colour(TextDraw("Layer 3")), (std::vector<int>{0, 255, 255}));
  mx = 0;
  Frame(false);
  EXPECT_EQ(Colour(TextDraw("Layer 3")), (std::vector<int>{255, 255, 0}));
  EXPECT_EQ(Colour(TextDraw("Layer 1")), (std::vector<int>{255, 255, 255}));
  // While the view eases out: zoom 6.5 from the origin of zoom 7.
  playstate.zoom = 6.5f;
  playstate.viewy = 1;
  Frame(false);
  EXPECT_EQ(TextDraw("Layer 1").y, 105);
  EXPECT_EQ(TextDraw("Layer 4").y, 729);
}

TEST_F(PanelTest, SelectorsStepOncePerPressAndMakeTheRoomFirst) {
  // Style of the top half, row 1, at an empty grid position.
  mx = 100;
  my = 260;
  for (int i = 0; i < 4; ++i) Frame(true);
  ASSERT_NE(ThisRoom, EmptyRoom);
  EXPECT_EQ(ThisRoom->StyleTop, 2);
  EXPECT_EQ(EmptyRoom->StyleTop, 1);
  EXPECT_EQ(playstate.unsaved, 1);
  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) {
    Frame(false);
    Frame(true);
    seen.push_back(ThisRoom->StyleTop);
  }
  EXPECT_EQ(seen, (std::vector<int>{3, 4, 5, 1, 2}));
  const auto label = TextDraw("Style 2");
  EXPECT_EQ(label.x + TextWidth("Style 2"), 266);
  EXPECT_EQ(label.y, 257);
  // Background of the bottom half, row 4: 0, 1, 0.
  my = 645;
  seen.clear();
  for (int i = 0; i < 3; ++i) {
    Frame(false);
    Frame(true);
    seen.push_back(ThisRoom->BGBot);
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 1}));
}

TEST_F(PanelTest, WithoutStylePicturesAStylePressChangesNothingAndOddBackdropsComeBack) {
  const std::vector<std::pair<int32_t, int32_t>> styleCases = {{0, 1}, {7, 3}, {5, 1}, {1, 2}};
  for (auto [from, to] : styleCases) EXPECT_EQ(NextStyle(from, 5), to) << from;
  EXPECT_EQ(NextStyle(4, 0), 4);
  EXPECT_EQ(NextStyle(0, 1), 1);
  EXPECT_EQ(OtherBackdrop(2), 1);
  EXPECT_EQ(OtherBackdrop(1), 0);
  EXPECT_EQ(OtherBackdrop(0), 1);
  EXPECT_EQ(OtherBackdrop(-5), 1);

  styles = 0;
  auto room = std::make_shared<layout>();
  room->StyleBot = 4;
  room->BGTop = 2;
  ListAddLast(rooms, room);
  ThisRoom = room;
  mx = 100;
  my = 520;  // row 3, the bottom style
  Frame(true);
  EXPECT_EQ(room->StyleBot, 4);
  EXPECT_EQ(playstate.unsaved, 1);
  my = 390;  // row 2, the top background
  Frame(false);
  Frame(true);
  EXPECT_EQ(room->BGTop, 1);
  Frame(false);
  Frame(true);
  EXPECT_EQ(room->BGTop, 0);
}

TEST_F(PanelTest, ThePaletteShowsEveryKindInItsSlotsAndSelectsWhileHeld) {
  MakeObjectKinds();
  gfx = testgraphics::MakeImage(8, 16 * 200, std::vector<uint32_t>(8 * 16 * 200, 0xFFFFFFFFu), 8, 16, 0, 200);
  BG_bit[2] = testgraphics::MakeImage(8, 64 * 80, std::vector<uint32_t>(8 * 64 * 80, 0xFFFFFFFFu), 8, 64, 0, 80);
  playstate.edititem = 42;
  Frame(false);
  const auto rects = testgraphics::DrawsOf(Op::Rect);
  ASSERT_EQ(rects.size(), 33u);
  EXPECT_EQ(rects.front().x, 56);
  EXPECT_EQ(rects.back().x, 872);
  EXPECT_EQ(rects[11].x, 32 + 24 * 13);  // GEM after the empty slot 12
  EXPECT_EQ(rects[23].x, 32 + 24 * 26);  // BAT after the empty slot 25
  // The chosen WALL is raised and green, the others dark blue.
  EXPECT_EQ(rects[2].y, 707);
  EXPECT_EQ(Colour(rects[2]), (std::vector<int>{0, 80, 0}));
  EXPECT_EQ(rects[3].y, 727);
  EXPECT_EQ(Colour(rects[3]), (std::vector<int>{0, 0, 80}));
  struct Case {
    int px, py;
    int32_t item;  // after a held press there
  };
  const std::vector<Case> cases = {
      {32 + 24 * 13 + 1, 736, 96}, {32 + 24 * 13, 736, 42},    {32 + 24 * 12 + 8, 800, 42},
      {32 + 24 * 26 + 15, 858, 160}, {32 + 24 * 26 + 8, 735, 42}, {32 + 24 * 35 + 8, 800, 178},
  };
  for (const Case& c : cases) {
    playstate.edititem = 42;
    mx = c.px;
    my = c.py;
    Frame(true);
    EXPECT_EQ(playstate.edititem, c.item) << c.px << "," << c.py;
  }
}

}  // namespace

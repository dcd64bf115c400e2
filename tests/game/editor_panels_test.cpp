// The editor's panels in the overview: the click latch, the room buttons,
// the layer buttons, the appearance selectors and the item palette.
#include <string>
#include <tuple>
#include <vector>

#include "framework/globals.h"
#include "game/editor_nav.h"
#include "game/editor_palette.h"
#include "game/editor_style.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "editor_game_util.h"
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

TEST_F(PanelTest, ARoomButtonLightsUpOnlyInsideItsBox) {
  // Each button answers strictly inside the 60x28 box at its label's corner.
  struct Case {
    int x, y;
    const char* lit;
  } cases[] = {{901, 53, "Up"},      {959, 79, "Up"},      {900, 60, nullptr},   {960, 60, nullptr},
               {930, 52, nullptr},   {930, 80, nullptr},   {981, 83, "Right"},   {1039, 109, "Right"},
               {980, 90, nullptr},   {1040, 100, nullptr}, {1000, 110, nullptr}, {905, 109, "Left"}};
  const std::vector<int> hover = {0, 255, 255}, plain = {255, 255, 255};
  for (const Case& c : cases) {
    mx = c.x;
    my = c.y;
    Frame(false);
    for (const std::string label : {"Up", "Down", "Left", "Right"}) {
      const bool lit = c.lit != nullptr && label == c.lit;
      EXPECT_EQ(Colour(TextDraw(label)), lit ? hover : plain) << label << " at " << c.x << "," << c.y;
    }
  }
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

// The panels in a game of the player's own level, frame by frame.
class EditorScreenTest : public gametest::EditorGameTest {
 protected:
  void SetUp() override {
    EditorGameTest::SetUp();
    MyScrw = 1920;
    MyScrh = 1080;
  }
  // A point on no control of the panels and outside the room.
  static void PointAway() { PointAt(playstate.basex + 1100, 150); }
  static testgraphics::DrawRecord TextDraw(const std::string& text) {
    for (const auto& d : testgraphics::DrawsOf(Op::Text))
      if (d.text == text) return d;
    ADD_FAILURE() << "no text " << text;
    return {};
  }
  // The label of the selector in panel row `row`: the text in the left bar at the row's top.
  static testgraphics::DrawRecord SelectorLabel(int row) {
    const int top = kRowTops[row - 1];
    for (const auto& d : testgraphics::DrawsOf(Op::Text))
      if (d.y == top && d.x < playstate.basex + playstate.barwidth) return d;
    ADD_FAILURE() << "no selector in row " << row;
    return {};
  }
  static std::vector<int> Colour(const testgraphics::DrawRecord& d) { return {d.r, d.g, d.b}; }
  // Panel rows of the overview at rest.
  static constexpr int kRowTops[4] = {257, 385, 513, 641};
  // Left edge of palette slot `slot`, and a point inside its tile.
  static int SlotLeft(int slot) { return playstate.basex + 32 + 24 * slot; }
};

TEST_F(EditorScreenTest, ThePanelsStandAndAnswerWhereThePlayAreaIsOnEveryWidth) {
  OpenOverview();
  for (const auto& s : gametest::kScreenSizes) {
    SCOPED_TRACE(s.w);
    UseScreen(s);
    ASSERT_EQ(playstate.basex, s.basex);
    PointAway();
    DrawnFrame();
    const std::vector<std::tuple<std::string, int, int>> labels = {
        {"Room : 0,0", 900, 29}, {"Up", 900, 53}, {"Down", 980, 53}, {"Left", 900, 83}, {"Right", 980, 83},
        {"Layer 1", 1022, 257}, {"Layer 4", 1022, 641},
    };
    for (const auto& [text, x, y] : labels) {
      EXPECT_EQ(TextDraw(text).x, s.basex + x) << text;
      EXPECT_EQ(TextDraw(text).y, y) << text;
    }
    for (int row = 1; row <= 4; ++row) {
      const auto label = SelectorLabel(row);
      EXPECT_EQ(label.x + TextWidth(label.text), s.basex + 266) << row;
    }
    std::vector<testgraphics::DrawRecord> boxes;
    for (const auto& r : testgraphics::DrawsOf(Op::Rect))
      if (r.w == 16 && r.h == 128) boxes.push_back(r);
    ASSERT_EQ(boxes.size(), 33u);
    EXPECT_EQ(boxes.front().x, s.basex + 56);
    EXPECT_EQ(boxes.back().x, s.basex + 872);

    // Each control answers a press at its place in the moved play area; on
    // the wide screens the same points miss it without the offset.
    Click(s.basex + 1030, 90);  // "Right"
    EXPECT_EQ(pla->roomx, 1);
    Click(s.basex + 955, 90);  // "Left"
    EXPECT_EQ(pla->roomx, 0);
    const int32_t style = ThisRoom->StyleTop;
    Click(s.basex + 270, 260);  // the top half's style
    EXPECT_EQ(ThisRoom->StyleTop, style % styles + 1);
    Click(s.basex + 1030 + 240, 520);  // "Layer 3"
    EXPECT_EQ(playstate.editlayer, 2);
    Click(s.basex + 1030 + 240, 260);  // "Layer 1"
    EXPECT_EQ(playstate.editlayer, 0);
    Click(SlotLeft(13) + 14, 800);  // GEM
    EXPECT_EQ(playstate.edititem, 96);
    Click(SlotLeft(3) + 14, 800);  // WALL
    EXPECT_EQ(playstate.edititem, 42);
  }
}

TEST_F(EditorScreenTest, TheSelectorBesideTheCurrentLayerIsYellow) {
  OpenOverview();
  const std::vector<int> white = {255, 255, 255}, yellow = {255, 255, 0}, cyan = {0, 255, 255};
  for (int layer = 0; layer < 4; ++layer) {
    Click(1100, kRowTops[layer] + 5);  // its layer button
    ASSERT_EQ(playstate.editlayer, layer);
    PointAway();
    DrawnFrame();
    for (int row = 1; row <= 4; ++row)
      EXPECT_EQ(Colour(SelectorLabel(row)), row - 1 == layer ? yellow : white) << layer << " " << row;
  }
  // Under the pointer the current row is cyan like any other.
  PointAt(100, kRowTops[3] + 5);
  DrawnFrame();
  EXPECT_EQ(Colour(SelectorLabel(4)), cyan);
  EXPECT_EQ(Colour(SelectorLabel(3)), white);
}

TEST_F(EditorScreenTest, ThePaletteShowsTheTerrainStripOfStyleTwoAndEachKindsOwnFrame) {
  UseScreen(gametest::kScreenSizes[1]);  // 1600 wide
  OpenOverview();
  Click(SlotLeft(13) + 8, 800);  // GEM, a sprite, chosen and raised
  ASSERT_EQ(playstate.edititem, 96);
  PointAway();
  DrawnFrame();
  // Each tile's box, and the picture drawn right after it.
  const auto& draws = testgraphics::Draws();
  std::vector<testgraphics::DrawRecord> pictures;
  for (size_t i = 0; i + 1 < draws.size(); ++i)
    if (draws[i].op == Op::Rect && draws[i].w == 16 && draws[i].h == 128) {
      EXPECT_EQ(draws[i + 1].op, Op::Image) << i;
      pictures.push_back(draws[i + 1]);
    }
  const std::vector<int32_t> codes = {40,  41,  42,  43,  45,  47,  48,  49,  50,  51,  52,   // terrain
                                      96,  97,  98,  99,  101, 103, 104, 105, 106, 107, 108, 109,  // pickups
                                      160, 162, 164, 166, 168, 170, 172, 174, 176, 178};  // creatures
  ASSERT_EQ(pictures.size(), codes.size());
  for (size_t k = 0; k < codes.size(); ++k) {
    const int32_t code = codes[k];
    const int slot = static_cast<int>(k) + 1 + (code >= 96) + (code >= 160);
    const int raised = code == 96 ? 20 : 0;
    const auto& p = pictures[k];
    SCOPED_TRACE(code);
    EXPECT_EQ(p.image, code < 90 ? BG_bit[2] : gfx);
    EXPECT_EQ(p.frame, code);
    EXPECT_FLOAT_EQ(p.scale_x, 2.0f);
    // The frame's top-left corner: a terrain strip covers its box, a sprite
    // stands 32 pixels below the box's top.
    EXPECT_FLOAT_EQ(p.x - p.w * p.scale_x / 2, static_cast<float>(SlotLeft(slot)));
    EXPECT_FLOAT_EQ(p.y - p.h * p.scale_y / 2, static_cast<float>((code < 90 ? 727 : 759) - raised));
  }
}

}  // namespace

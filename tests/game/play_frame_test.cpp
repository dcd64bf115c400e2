// Whole frames of a game started the real way: the editor's per-frame reset
// also behind the end screens, the pointer shown only in the editor's
// overview, and where the first frames of a game place the room.
#include <cmath>
#include <string>
#include <vector>

#include "cells_test_util.h"
#include "game/game_state.h"
#include "game/level_start.h"
#include "game/play_game.h"
#include "level/level_browser.h"
#include "map/map_screen.h"
#include "platform/input.h"
#include "platform/test/test_input.h"
#include "settings/common_assets.h"
#include "settings/options.h"

namespace {

using cellstest::Drawn;
using testgraphics::Op;

constexpr int kFireKey = 90;
constexpr int kSpaceKey = 32;
constexpr int kPointerFrame = 63;

// One room at the start position, its halves styled as the editor makes them.
const char kLevel[] =
    "<title>Moor</title>\n<author>Me</author>\n<from>10,10</from>\n<to>20,20</to>\n"
    "<room>\n<position>0,0</position>\n<top>\n<style>1</style>\n<gfx>1</gfx>\n</top>\n"
    "<bottom>\n<style>2</style>\n<gfx>0</gfx>\n</bottom>\n</room>\n";

class PlayFrameTest : public gametest::GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    DrawMax[kDrawMain] = 1000;
    Options[7] = 0;
    gfx = cellstest::SolidFrames(8, 16, 512);
    for (int style : {1, 2}) {
      BG[style] = cellstest::SolidFrames(160, 64, 2);
      BG_bit[style] = cellstest::SolidFrames(8, 64, 80);
    }
    CommonIconsF = cellstest::SolidFrames(16, 16, 64);
    // The frame pump also shows the pointer over the options overlay.
    OptionScreen = 0;
    DebugMode = 0;
    // Fire takes the map screen away as soon as it is fully shown.
    KeyV[10] = kFireKey;
    everyFrame = [] {
      if (mapstate.mapDone == 0 && mapstate.fadeTick == 0) testbackend::PressKey(kFireKey);
      else testbackend::ReleaseKey(kFireKey);
    };
    gametest::WriteBytes(Paths.levels + "moor.xml", kLevel);
  }

  // A game of the level file, as the player's own level (with the editor)
  // or as any other.
  static void StartGame(bool ownLevel) {
    auto g = std::make_shared<game>();
    g->name = "moor.xml";
    g->Title = ownLevel ? kYourLevelTitle : "Moor";
    Uselevel = g;
    SetupGame();
    ASSERT_EQ(editmode, ownLevel ? 1 : 0);
  }

  // The pointer pictures the frame pump drew since the last clear.
  static std::vector<testgraphics::DrawRecord> Pointers() {
    std::vector<testgraphics::DrawRecord> out;
    for (const auto& r : testgraphics::DrawsOf(Op::Image))
      if (r.image == CommonIconsF && r.frame == kPointerFrame) out.push_back(r);
    return out;
  }
};

TEST_F(PlayFrameTest, TheEditorHoldsFullHealthAndNoScoreInEveryFrameAlsoOnTheEndScreens) {
  struct Case {
    bool ownLevel;
    int32_t screen;        // endoflevel: 0 playing, 1 level complete, 2 game over
    int32_t healthBefore;  // as the frames before left it
    int32_t score, health;
  };
  const std::vector<Case> cases = {
      {false, 0, 5, 70, 5},   {false, 1, 5, 70, 4},  // the level-complete screen drains health into its bonus
      {false, 2, 0, 70, 0},   {true, 0, 5, 0, 999},  {true, 1, 5, 0, 999},
      {true, 2, 0, 0, 999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.ownLevel ? "own level" : "other level") << ", screen " << c.screen);
    StartGame(c.ownLevel);
    PlayFrame();
    endoflevel = c.screen;
    pla->score = 70;
    pla->health = c.healthBefore;
    PlayFrame();
    EXPECT_EQ(endoflevel, c.screen);
    EXPECT_EQ(pla->score, c.score);
    EXPECT_EQ(score, c.score) << "the game's score, which the game's record takes";
    EXPECT_EQ(pla->health, c.health);
  }
}

TEST_F(PlayFrameTest, ThePointerShowsOnlyInTheEditorsOverview) {
  struct Case {
    bool ownLevel;
    bool space;  // Space pressed for this frame
    bool pointer;
  };
  // Frames in order: the other level, then the own level's overview switched
  // on and off again.
  const std::vector<Case> frames = {
      {false, false, false}, {false, true, false}, {true, false, false},
      {true, true, true},    {true, false, true},  {true, true, false},
  };
  bool started = false, own = false;
  for (size_t i = 0; i < frames.size(); ++i) {
    const Case& c = frames[i];
    SCOPED_TRACE(i);
    if (!started || own != c.ownLevel) {
      StartGame(c.ownLevel);
      started = true;
      own = c.ownLevel;
    }
    if (c.space) testbackend::TapKey(kSpaceKey);
    testgraphics::ClearDraws();
    PlayFrame();
    EXPECT_EQ(playstate.overview, c.pointer ? 1 : 0);
    const auto pointers = Pointers();
    ASSERT_EQ(pointers.size(), c.pointer ? 1u : 0u);
    if (c.pointer) {
      EXPECT_EQ(pointers[0].x, VirtualMouseX() + 12.0f);
      EXPECT_EQ(pointers[0].y, VirtualMouseY() + 12.0f);
      EXPECT_EQ(pointers[0].scale_x, 1.5f);
    }
  }
}

TEST_F(PlayFrameTest, TheFirstFrameOfAGamePlacesTheRoomAtTheCornerAndTheSecondBesideThePanels) {
  SetVirtualResolution(1440, 900);
  JScrw = 1440;
  JScrh = 900;
  // What an earlier game on a wider screen left.
  playstate.basex = 160;
  playstate.basey = 1;
  StartGame(false);
  for (const Drawn& corner : {Drawn{BG[1], 1, 0, 0}, Drawn{BG[1], 1, 80, 1}}) {
    SCOPED_TRACE(corner);
    testgraphics::ClearDraws();
    PlayFrame();
    EXPECT_EQ(playstate.viewx, corner.left);
    EXPECT_EQ(playstate.viewy, corner.top);
    // The middle copy of the top backdrop starts at the room's corner.
    const auto images = testgraphics::DrawsOf(Op::Image);
    ASSERT_GE(images.size(), 3u);
    const auto& r = images[2];
    EXPECT_EQ((Drawn{r.image, r.frame, std::lround(r.x - r.w * r.scale_x / 2), std::lround(r.y - r.h * r.scale_y / 2)}),
              corner);
  }
}

}  // namespace

// The player's own level started as the title screen starts a game (its map
// screen skipped with fire), then played frame by frame with the game's own
// frame, in the editor's overview on a screen of any of the three widths.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/globals.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/level_start.h"
#include "game/play_game.h"
#include "game_test_util.h"
#include "level/level_browser.h"
#include "level/rooms.h"
#include "map/map_screen.h"
#include "platform/graphics.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"

namespace gametest {

// The player's level: a titled start room, its top half in style 1 and its
// bottom half in style 3, so that neither is the palette's style 2.
inline constexpr char kOwnLevel[] =
    "<title>xx - Your Level</title>\n<author>You</author>\n<from>10,10</from>\n<to>20,20</to>\n"
    "<room>\n<title>Start</title>\n<position>0,0</position>\n"
    "<top>\n<style>1</style>\n<gfx>1</gfx>\n</top>\n<bottom>\n<style>3</style>\n<gfx>0</gfx>\n</bottom>\n";

struct ScreenSize {
  int32_t w, h;
  int32_t basex;  // where the heads-up display puts the play area
};
inline const std::vector<ScreenSize> kScreenSizes = {{1280, 960, 0}, {1600, 900, 160}, {1440, 900, 80}};

class EditorGameTest : public GameTest {
 protected:
  static constexpr int kFire = 90, kSpace = 32;

  void SetUp() override {
    GameTest::SetUp();
    KeyV[10] = kFire;
    styles = 5;
    for (int32_t style = 1; style <= 3; ++style) {
      BG[style] = Picture(160, 64, 2);
      BG_bit[style] = Picture(8, 64, 80);
    }
    gfx = Picture(8, 16, 200);
    WriteBytes(Paths.levels + kMyLevelFile, kOwnLevel);
    Uselevel = std::make_shared<game>();
    Uselevel->name = kMyLevelFile;
    Uselevel->Title = kYourLevelTitle;
    everyFrame = [] {
      // Fire once the map is fully shown, then let go.
      if (mapstate.mapDone != 0) return;
      if (mapstate.fadeTick == 0) testbackend::PressKey(kFire);
      else testbackend::ReleaseKey(kFire);
    };
    SetupGame();
    testbackend::ReleaseKey(kFire);
    everyFrame = nullptr;
  }

  // An opaque picture of `frames` frames of w x h.
  static int Picture(int w, int h, int frames) {
    return testgraphics::MakeImage(w, h * frames, std::vector<uint32_t>(static_cast<size_t>(w) * h * frames, ~0u), w,
                                   h, 0, frames);
  }

  // The game's frames go on on a screen of this size; the heads-up display
  // moves the play area in the first of them.
  static void UseScreen(const ScreenSize& s) {
    JScrw = s.w;
    JScrh = s.h;
    SetVirtualResolution(static_cast<float>(s.w), static_cast<float>(s.h));
    PlayFrame();
  }
  // Space, then frames until the view has zoomed out to the overview.
  static void OpenOverview() {
    testbackend::TapKey(kSpace);
    for (int i = 0; i < 60 && !(playstate.overview == 1 && playstate.zoom == 4.0f); ++i) PlayFrame();
    ASSERT_EQ(playstate.zoom, 4.0f);
  }
  // The pointer moves to x, y during one frame; the next frame sees it there.
  static void PointAt(int x, int y) {
    testbackend::SetMouse(static_cast<float>(x), static_cast<float>(y));
    PlayFrame();
  }
  // A press of the left button at x, y, held for one frame and let go in the next.
  static void Click(int x, int y) {
    PointAt(x, y);
    testbackend::PressMouse(1);
    PlayFrame();
    testbackend::ReleaseMouse(1);
    PlayFrame();
  }
  // The draws of one frame.
  static void DrawnFrame() {
    testgraphics::ClearDraws();
    PlayFrame();
  }
};

}  // namespace gametest

// Whole frames of a real game, from the real set-up through the level
// change: what one section leaves for the next decides when the player can
// fire, what the heads-up display shows in the frame of a death, and what
// the player takes into the next level.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/controls.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/level_start.h"
#include "game/play_game.h"
#include "game_test_util.h"
#include "level/level_browser.h"
#include "map/map_screen.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/options.h"

namespace {

using gametest::GameTest;
using testgraphics::Op;

// Default bindings of player 1.
constexpr int kUp = 38, kLeft = 37, kRight = 39, kDown = 40, kFire = 90, kJump = 88;
constexpr int32_t kShotSound = 1;
constexpr int32_t kLastEffect = 14;

class GameFramesTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    SetDefaultControls();
    Options[11] = Options[12] = 100;
    CreateSoundTables();
    LChan = 20;
    const std::string wav = (root_ / "effect.wav").string();
    gametest::WriteWav(wav);
    for (int32_t i = 1; i <= kLastEffect; ++i) sfx[i] = LoadSound(wav);
    // Every picture solid, so that whatever overlaps on screen touches.
    gfx = testgraphics::MakeImage(256, 256, std::vector<uint32_t>(256 * 256, 0xFFFFFFFFu), 8, 16, 0, 512);
    MidHandleImage(gfx);
    DrawMax.fill(1000000);
    DebugMode = 0;
    OptionScreen = 0;
    // The map screens are left with fire as soon as they are shown; in play
    // the test holds the keys.
    everyFrame = [] {
      if (mapstate.mapDone != 0) return;
      if (mapstate.fadeTick == 0) testbackend::PressKey(kFire);
      else testbackend::ReleaseKey(kFire);
    };
  }
  void TearDown() override {
    HoldControls(false);
    GameTest::TearDown();
  }

  // A pack of levels, each one room at 0,0 whose top half's first layer
  // holds `cells`, started on its first level as the title screen starts
  // a game.
  static void Start(const std::vector<std::pair<std::string, std::string>>& pack) {
    ClearList(levels);
    int number = 0;
    for (const auto& [title, cells] : pack) {
      auto g = std::make_shared<game>();
      g->name = "level" + std::to_string(++number) + ".xml";
      g->Title = title;
      g->SX = g->SY = 10;
      g->EX = g->EY = 20;
      gametest::WriteBytes(Paths.levels + g->name,
                           "<title>" + title + "</title>\n<author>Tests</author>\n<from>10,10</from>\n"
                           "<to>20,20</to>\n<room>\n<position>0,0</position>\n<top>\n<layer>\n" +
                               cells + "\n</layer>\n</top>\n</room>\n");
      ListAddLast(levels, g);
    }
    GameMode = 0;
    Uselevel = levels.First();
    SetupGame();
    HoldControls(true);  // as the game loop reads the controls
  }

  // One frame of play with `keys` held; true when a shot left in it.
  static bool Frame(const std::vector<int>& keys) {
    for (int k : {kUp, kLeft, kRight, kDown, kFire, kJump}) testbackend::ReleaseKey(k);
    for (int k : keys) testbackend::PressKey(k);
    testbackend::ClearAudioCalls();
    PlayFrame();
    for (const auto& call : testbackend::AudioCalls())
      if (call.op == "CueSound" && call.a == sfx[kShotSound]) return true;
    return false;
  }
};

TEST_F(GameFramesTest, TheNextLevelStartsWithTheLastStanceStepAndCooldownAndNeitherFirstFrameFires) {
  // The firing slot comes from the heads-up display's scan late in the
  // frame before: the game's first frame has had none, and the next
  // level's first frame has the level end's last one, which found every
  // slot spent. Stance, step counter and cooldown are the player's own and
  // go into the next level as they were when the cross was taken.
  struct Case {
    const char* what;
    const char* cross;       // cell of the first level
    std::vector<int> keys;   // held until the cross is taken
    int taken;               // in this frame
    std::vector<int> shots;  // frames of the first level that fire
    int32_t picture;         // the player's picture in the next level's first frame
    std::vector<int> nextShots;  // frames of the next level that fire, fire held from its first
  };
  const std::vector<Case> cases = {
      // Taken in frame 2 while crouched, with the cooldown at 0: only the
      // empty scan keeps the first frame from firing.
      {"crouched on the cross, fire never held", "2:cross", {kDown}, 2, {}, 10, {2}},
      // Taken in frame 11: the shot of frame 2 left the cooldown at 12, and
      // ten walking frames the step counter at 13, the last walking
      // picture.
      {"walking into the cross with fire held", "4:cross", {kRight, kFire}, 11, {2}, 3, {12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Start({{"01 - Cross", c.cross}, {"02 - After", ""}});
    const auto first = Uselevel;
    std::vector<int> shots;
    int frame = 0;
    while (endoflevel == 0 && frame < 30) {
      ++frame;
      if (Frame(c.keys)) shots.push_back(frame);
    }
    ASSERT_EQ(endoflevel, 1);
    EXPECT_EQ(frame, c.taken);
    EXPECT_EQ(shots, c.shots);
    for (int wait = 0; wait < 400 && Uselevel == first; ++wait) Frame({});
    ASSERT_NE(Uselevel, first);
    ASSERT_EQ(endoflevel, 0);

    std::vector<int> nextShots;
    for (int next = 1; next <= 20; ++next) {
      if (Frame({kFire})) nextShots.push_back(next);
      if (next == 1) {
        EXPECT_EQ(playstate.plaframe, c.picture);
      }
    }
    EXPECT_EQ(nextShots, c.nextShots);
  }
}

TEST_F(GameFramesTest, TheFrameOfADeathStillFiresAndShowsTheHealthTheDeathCheckLeft) {
  // Walking right into a spike, tapping fire every second frame: the spike
  // takes 500 in frame 5. The death check runs after the player's controls,
  // so that frame still fires, and before the heads-up display, which shows
  // no health rather than what the touch left.
  Start({{"01 - Spike", "4:spike"}});
  std::vector<int> shots;
  int frame = 0;
  while (endoflevel == 0 && frame < 30) {
    ++frame;
    testgraphics::ClearDraws();
    if (Frame(frame % 2 == 1 ? std::vector<int>{kRight, kFire} : std::vector<int>{kRight})) shots.push_back(frame);
  }
  EXPECT_EQ(frame, 5);
  EXPECT_EQ(endoflevel, 2);
  EXPECT_EQ(shots, (std::vector<int>{3, 5}));
  EXPECT_EQ(pla->health, 0);
  std::vector<std::string> health;
  for (const auto& t : testgraphics::DrawsOf(Op::Text))
    if (t.text.rfind("Health", 0) == 0) health.push_back(t.text);
  EXPECT_EQ(health, (std::vector<std::string>{"Health : 000"}));
}

TEST_F(GameFramesTest, ShotsLeaveNewestFirstFromTheTopOfTheStack) {
  Start({{"01 - Range", ""}});
  // Two loads of the second kind on top of the first kind's 24.
  pla->ammo[24] = pla->ammo[25] = 2;
  std::vector<int> shots;
  for (int frame = 1; frame <= 15; ++frame) {
    if (Frame({kFire})) shots.push_back(frame);
  }
  // The second kind's gap is 6 frames, the first kind's 20.
  EXPECT_EQ(shots, (std::vector<int>{2, 8, 14}));
  std::vector<std::pair<int32_t, int32_t>> things;  // kind and x, in list order
  for (const auto& o : objects) things.emplace_back(o->t, o->x);
  EXPECT_EQ(things, (std::vector<std::pair<int32_t, int32_t>>{{64, 22}, {67, 34}, {67, 46}, {0, 20}}));
  for (int32_t slot = 22; slot <= 25; ++slot) EXPECT_EQ(pla->ammo[slot], slot == 22 ? 1 : 0) << slot;
}

}  // namespace

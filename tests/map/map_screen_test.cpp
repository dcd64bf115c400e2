// The map screen's loop: fades, the two ways out, its music and what it
// leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/pump.h"
#include "game/game_assets.h"
#include "level/level_browser.h"
#include "map/map_screen.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

constexpr int kFireKey = 90;
constexpr int kEscKey = 27;

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::QuietPumpServices("the map screen");
    PumpServices().musicStep = [this] {
      ++frames;
      if (everyFrame) everyFrame();
    };
    testutil::OpenTestScreen();
    KeyV[10] = kFireKey;
    Options[11] = 50;
    Options[13] = 50;
    MakeObjectKinds();
    Uselevel = std::make_shared<game>();
    Uselevel->Title = "Moor";
    Uselevel->SX = Uselevel->SY = 10;
    Uselevel->EX = Uselevel->EY = 20;
    tune2 = MakeMusic();
  }
  void TearDown() override { ResetPumpServices(); }

  // A second of sound, written as a WAV for the loader.
  static int MakeMusic() {
    const std::string path = testing::TempDir() + "map_tune.wav";
    testutil::WriteWav(path, 22050);
    return LoadSound(path, 0);
  }

  int frames = 0;
  std::function<void()> everyFrame;
};

TEST_F(MapTest, FireAfterAReleaseFadesTheScreenOutAfterSixtyFrames) {
  // Up from the start; pressed from the end of frame 80 on.
  everyFrame = [this] {
    if (frames == 80) testbackend::PressKey(kFireKey);
  };
  std::vector<int> ticks;
  auto inner = everyFrame;
  everyFrame = [&] {
    ticks.push_back(mapstate.fadeTick);
    inner();
  };
  DoTheMap();
  // Frame 81 starts the fade-out, which is over in frame 140.
  EXPECT_EQ(frames, 140);
  ASSERT_EQ(ticks.size(), 140u);
  EXPECT_EQ(ticks[0], -59);
  EXPECT_EQ(ticks[59], 0);
  EXPECT_EQ(ticks[80], 1);
  EXPECT_EQ(ticks[139], 60);
  EXPECT_EQ(mapstate.startLatch, 0);
}

TEST_F(MapTest, FireHeldSinceBeforeTheScreenWaitsForTheStory) {
  testbackend::PressKey(kFireKey);
  Uselevel->store = 2;
  Uselevel->Story[1] = "one";
  Uselevel->Story[2] = "two";
  DoTheMap();
  // The story has passed once the title line is 100 pixels above the top:
  // 960 - 0.5 * f < -100 first holds in frame 2121; 59 fade-out frames follow.
  EXPECT_EQ(frames, 2121 + 59);
  EXPECT_EQ(mapstate.startLatch, 1);
  EXPECT_EQ(mapstate.arrived, 1);
}

TEST_F(MapTest, MapMusicPlaysAndStopsAtTheEnd) {
  everyFrame = [this] {
    if (frames == 60) testbackend::PressKey(kFireKey);
  };
  DoTheMap();
  int cued = 0;
  for (const auto& call : testbackend::AudioCalls()) cued += call.op == "CueSound" && call.a == tune2;
  EXPECT_GE(cued, 1);
  EXPECT_EQ(MusicChannel, 0);
  EXPECT_GE(testbackend::CountAudioCalls("StopChannel"), 1);
}

TEST_F(MapTest, EntryClearsTheTrailSetsTheLevelAndDrawsTheMap) {
  ListAddLast(driving, std::make_shared<ve>());
  map_I = testgraphics::MakeImage(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFFu));
  everyFrame = [this] {
    if (frames == 61) testbackend::PressKey(kFireKey);
  };
  DoTheMap();
  EXPECT_EQ(CountList(driving), 0);
  EXPECT_EQ(level, Uselevel);
  EXPECT_EQ(mapstate.mapLeft, 1280 / 2 - 672);
  EXPECT_EQ(mapstate.mapTop, 960 / 2 - 504);
  bool drew = false;
  for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Image)) drew = drew || d.image == map_I;
  EXPECT_TRUE(drew);
}

TEST_F(MapTest, QuitInThePauseMenuDoesNotEndTheScreen) {
  InGame = 1;
  int pauses = 0;
  PumpServices().pauseMe = [&] {
    ++pauses;
    return kPauseQuit;
  };
  everyFrame = [this] {
    if (frames == 10) testbackend::PressKey(kEscKey);
    if (frames == 11) testbackend::ReleaseKey(kEscKey);
    if (frames == 70) testbackend::PressKey(kFireKey);
  };
  DoTheMap();
  EXPECT_EQ(pauses, 1);
  EXPECT_EQ(frames, 71 + 59);
}

TEST_F(MapTest, TwoScreensAtTheSameClockDrawTheSameFirstWaypoint) {
  everyFrame = [this] {
    if (frames % 200 == 61) testbackend::PressKey(kFireKey);
    if (frames % 200 == 130) testbackend::ReleaseKey(kFireKey);
  };
  testbackend::SetClock(5000);
  DoTheMap();
  const float x = mapstate.wayX, y = mapstate.wayY;
  testbackend::SetClock(5000);
  SeedRnd(1);
  DoTheMap();
  EXPECT_EQ(mapstate.wayX, x);
  EXPECT_EQ(mapstate.wayY, y);
  EXPECT_GE(x, 16 * 7);
  EXPECT_LE(x, 174 * 7);
}

}  // namespace

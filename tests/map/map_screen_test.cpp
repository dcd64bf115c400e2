// The map screen's loop: fades, the two ways out, its music and what it
// leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
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
    testutil::FreshGlobals();
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
    gfx = testgraphics::MakeImage(8, 16 * 32, std::vector<uint32_t>(8 * 16 * 32, 0xFFFFFFFFu), 8, 16, 0, 32);
  }
  void TearDown() override { ResetPumpServices(); }

  // A second of sound, written as a WAV for the loader.
  static int MakeMusic() {
    const std::string path = testutil::OwnTempPath("map_tune.wav");
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
  auto stale = std::make_shared<ve>();
  ListAddLast(driving, stale);
  map_I = testgraphics::MakeImage(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFFu));
  everyFrame = [this] {
    if (frames == 61) testbackend::PressKey(kFireKey);
  };
  DoTheMap();
  // 121 frames of driving: dots at frames 32, 44, ..., 116.
  EXPECT_EQ(CountList(driving), 8);
  for (const auto& dot : driving) EXPECT_NE(dot, stale);
  EXPECT_EQ(level, Uselevel);
  EXPECT_EQ(mapstate.mapLeft, 1280 / 2 - 672);
  EXPECT_EQ(mapstate.mapTop, 960 / 2 - 504);
  bool drew = false;
  for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Image)) drew = drew || d.image == map_I;
  EXPECT_TRUE(drew);
}

TEST_F(MapTest, QuitInThePauseMenuFadesTheScreenOutAndEndsTheGame) {
  InGame = 1;
  int pauses = 0;
  PumpServices().pauseMe = [&] {
    ++pauses;
    return kPauseQuit;
  };
  everyFrame = [this] {
    if (frames == 80) testbackend::PressKey(kEscKey);
    if (frames == 81) testbackend::ReleaseKey(kEscKey);
  };
  EXPECT_EQ(DoTheMap(), kPauseQuit);
  EXPECT_EQ(pauses, 1);
  // The quit in frame 81 starts the fade-out as the start key would.
  EXPECT_EQ(frames, 81 + 59);
}

TEST_F(MapTest, AQuitDuringTheFadeInFadesOutFromWhereItStands) {
  InGame = 1;
  PumpServices().pauseMe = [] { return kPauseQuit; };
  everyFrame = [this] {
    if (frames == 19) testbackend::PressKey(kEscKey);
    if (frames == 20) testbackend::ReleaseKey(kEscKey);
  };
  std::vector<float> alphas;
  auto inner = everyFrame;
  everyFrame = [&] {
    alphas.push_back(mapstate.fadeAlpha);
    inner();
  };
  EXPECT_EQ(DoTheMap(), kPauseQuit);
  // Rising up to the quit in frame 20, then falling from that height on
  // without a jump.
  ASSERT_EQ(alphas.size(), 39u);
  for (size_t i = 1; i < 20; ++i) EXPECT_GT(alphas[i], alphas[i - 1]) << i;
  EXPECT_FLOAT_EQ(alphas[20], alphas[19]);
  for (size_t i = 21; i < alphas.size(); ++i) EXPECT_LT(alphas[i], alphas[i - 1]) << i;
}

TEST_F(MapTest, TheBuggyDrivesThroughFourWaypointsToTheEndPointLeavingATrail) {
  testbackend::PressKey(kFireKey);  // held: the screen waits for the story and the drive
  Uselevel->SX = 40;
  Uselevel->SY = 30;
  Uselevel->EX = 150;
  Uselevel->EY = 100;
  std::vector<std::pair<float, float>> firstFrames;
  int arrivedAt = 0;
  int dotsAtArrival = 0;
  everyFrame = [&] {
    if (frames <= 2) firstFrames.push_back({mapstate.buggyX, mapstate.buggyY});
    if (arrivedAt == 0 && mapstate.arrived == 1) {
      arrivedAt = frames;
      dotsAtArrival = CountList(driving);
    }
  };
  DoTheMap();
  ASSERT_GT(arrivedAt, 0);
  EXPECT_EQ(mapstate.wayCount, 5);
  EXPECT_LT(std::abs(mapstate.buggyX - 150 * 7), 16.0f);
  EXPECT_LT(std::abs(mapstate.buggyY - 100 * 7), 16.0f);
  // A dot at frame 32 and every 12th frame after it while driving.
  EXPECT_EQ(dotsAtArrival, arrivedAt >= 32 ? (arrivedAt - 32) / 12 + 1 : 0);
  EXPECT_EQ(CountList(driving), dotsAtArrival);
  // The first move heads 128 degrees: down and to the right, 2 pixels.
  ASSERT_EQ(firstFrames.size(), 2u);
  EXPECT_NEAR(firstFrames[0].first, 280.0f + 2.0f * std::sin(128.0 * M_PI / 180.0), 1e-3);
  EXPECT_NEAR(firstFrames[0].second, 210.0f - 2.0f * std::cos(128.0 * M_PI / 180.0), 1e-3);
  // The buggy, frame 29 at scale 4, is drawn rotated by its heading.
  int buggies = 0;
  for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Image)) {
    if (d.image == gfx && d.frame == 29) {
      ++buggies;
      EXPECT_FLOAT_EQ(d.scale_x, 4.0f);
    }
  }
  EXPECT_GT(buggies, 0);
}

TEST_F(MapTest, TheStoryScrollsItsWholeLengthAndLinesPastTheKeptOnesDrawEmpty) {
  for (int store : {0, 1, 99, 150}) {
    frames = 0;
    Uselevel->store = store;
    for (int k = 1; k < 100; ++k) Uselevel->Story[k] = k <= store ? "line " + std::to_string(k) : "";
    testbackend::PressKey(kFireKey);
    int passedAt = 0;
    int arrivedAt = 0;
    everyFrame = [&] {
      if (arrivedAt == 0 && mapstate.arrived == 1) arrivedAt = frames;
      if (passedAt == 0 && mapstate.scrollY < -50.0f * static_cast<float>(store)) passedAt = frames;
    };
    testgraphics::ClearDraws();
    DoTheMap();
    // The story has passed once the last line is above y 100: frame
    // 1920 + 100 * store + 1 on a 960-high screen.
    EXPECT_EQ(passedAt, 1921 + 100 * store) << store;
    EXPECT_EQ(frames, std::max(passedAt, arrivedAt) + 59) << store;
    // Every line is drawn twice in every frame, empty ones included.
    int lastFrameTexts = 0;
    const int lastFlip = testgraphics::Draws().back().flip;
    for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Text)) {
      const bool mapLine = d.text == "Moor" || d.text.empty() || d.text.rfind("line ", 0) == 0;
      lastFrameTexts += d.flip == lastFlip && mapLine;
    }
    EXPECT_EQ(lastFrameTexts, 2 * (store + 2)) << store;
  }
}

TEST_F(MapTest, StoryLinesFadeThroughTheUpperHalfAndAStorylessTitleShows) {
  // First screen: no story. Its title is drawn at the screen's fade alpha.
  fff = 0.0f;
  everyFrame = [this] {
    if (frames == 70) testbackend::PressKey(kFireKey);
  };
  testgraphics::ClearDraws();
  DoTheMap();
  bool titleShown = false;
  for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Text)) {
    if (d.text == "Moor" && d.r == 200 && d.alpha > 0.99f) titleShown = true;
  }
  EXPECT_TRUE(titleShown);

  // A line whose centre is at y 288 on a 960-high screen has half strength.
  Uselevel->store = 1;
  Uselevel->Story[1] = "halfway";
  frames = 0;
  testbackend::ReleaseKey(kFireKey);
  float alphaAt288 = -1.0f;
  float shadowAt288 = -1.0f;
  everyFrame = [&] {
    // scrollY is 960 - 0.5 * frame; the line sits 150 below it.
    if (frames == 1644) {
      for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Text)) {
        if (d.text != "halfway") continue;
        if (d.r == 255) alphaAt288 = d.alpha;
        if (d.r == 0) shadowAt288 = d.alpha;
      }
    }
    testgraphics::ClearDraws();
    if (frames == 1700) testbackend::PressKey(kFireKey);
  };
  DoTheMap();
  EXPECT_NEAR(alphaAt288, 0.5f, 1e-3f);
  EXPECT_NEAR(shadowAt288, 0.25f, 1e-3f);
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

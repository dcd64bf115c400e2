// The map screen: its loop, fades, the two ways out, its music, what it
// draws where and what it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
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
#include "settings/common_assets.h"
#include "settings/display.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

constexpr int kFireKey = 90;
constexpr int kEscKey = 27;
// More frames than any screen here needs: a screen that runs on past them
// has hung.
constexpr int kMostFrames = 20000;

struct HungScreen {};

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    testutil::QuietPumpServices("the map screen");
    PumpServices().musicStep = [this] {
      if (++frames > kMostFrames) throw HungScreen{};
      if (everyFrame) everyFrame();
    };
    testutil::OpenTestScreen();
    KeyV[10] = kFireKey;
    // Every frame drawn, and no display switch to keep the pause menu shut.
    Options[7] = 0;
    ChangingRes = 0;
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

  // `seconds` of sound, written as a WAV for the loader.
  static int MakeMusic(int seconds = 1) {
    const std::string path = testutil::OwnTempPath("map_tune.wav");
    testutil::WriteWav(path, 22050 * seconds);
    return LoadSound(path, 0);
  }

  // The game's second font face at the sizes of its steps 4 to 8, in the
  // slots the map screen takes them from.
  static void LoadTextFonts() {
    const char* dir = std::getenv("DUSKMOOR_GAME_DIR");
    ASSERT_NE(dir, nullptr);
    const std::string file = std::string(dir) + "/Files/Common/" + FontFile(2);
    const int sizes[] = {32, 40, 52, 64, 96};
    for (int step = 4; step <= 8; ++step) {
      Fontb[10 + step] = LoadImageFont(file, sizes[step - 4]);
      ASSERT_NE(Fontb[10 + step], 0) << file;
    }
  }

  // Fire goes down as soon as the screen is fully shown (it was up in the
  // first frame), so the screen fades out from frame 61 on.
  static void FireWhenShown() {
    if (mapstate.fadeTick == 0) testbackend::PressKey(kFireKey);
  }
  // Runs one screen that is left with fire once shown; `look` runs in
  // every frame before that.
  void RunShownScreen(const std::function<void()>& look) {
    testbackend::ReleaseKey(kFireKey);
    frames = 0;
    everyFrame = [&] {
      if (look) look();
      FireWhenShown();
    };
    DoTheMap();
    testbackend::ReleaseKey(kFireKey);
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

TEST_F(MapTest, AQuitInAnyFrameEndsTheScreenWithinSixtyFramesFadingFromWhereItStands) {
  InGame = 1;
  int pauses = 0;
  PumpServices().pauseMe = [&] {
    ++pauses;
    return kPauseQuit;
  };
  struct Case {
    int quitFrame;
    int lastFrame;
  };
  // The first frame is drawn at alpha 0 and leaves nothing to fade. During
  // the fade-in the quit frame's alpha is held for one frame and then falls
  // as it rose; once shown, the screen fades out in the 59 frames after it.
  const std::vector<Case> cases = {{1, 1}, {2, 3}, {20, 39}, {60, 119}, {61, 120}, {81, 140}};
  for (const Case& c : cases) {
    SCOPED_TRACE("quit in frame " + std::to_string(c.quitFrame));
    frames = 0;
    pauses = 0;
    std::vector<float> alphas;
    // Esc is down for the pump of the quit frame only.
    if (c.quitFrame == 1) testbackend::PressKey(kEscKey);
    everyFrame = [&] {
      alphas.push_back(mapstate.fadeAlpha);
      if (frames == c.quitFrame - 1) testbackend::PressKey(kEscKey);
      if (frames == c.quitFrame) testbackend::ReleaseKey(kEscKey);
    };
    int32_t result = 0;
    ASSERT_NO_THROW(result = DoTheMap());
    EXPECT_EQ(result, kPauseQuit);
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(frames, c.lastFrame);
    EXPECT_EQ(mapstate.mapDone, 1);
    ASSERT_EQ(alphas.size(), static_cast<size_t>(frames));
    for (int f = 2; f <= frames; ++f) {
      const float now = alphas[static_cast<size_t>(f - 1)], before = alphas[static_cast<size_t>(f - 2)];
      if (f <= c.quitFrame) {
        EXPECT_GE(now, before) << f;
      } else if (f == c.quitFrame + 1) {
        EXPECT_LE(now, before) << f;
      } else {
        EXPECT_LT(now, before) << f;
      }
    }
    if (c.quitFrame > 1) {
      EXPECT_GT(alphas.back(), 0.0f);
    }
  }
}

TEST_F(MapTest, TheMusicStartsUnfadedAndFadesOutWithTheScreenThenStops) {
  // Longer than the screen, so it never starts again meanwhile.
  tune2 = MakeMusic(10);
  testbackend::ClearAudioCalls();
  int channel = 0;
  size_t seen = 0;
  std::vector<std::vector<float>> volumes;  // per frame, set on the music channel
  everyFrame = [&] {
    if (frames == 1) channel = MusicChannel;
    volumes.emplace_back();
    const auto& calls = testbackend::AudioCalls();
    for (; seen < calls.size(); ++seen) {
      if (calls[seen].op == "SetChannelVolume" && calls[seen].a == channel) volumes.back().push_back(calls[seen].f);
    }
    if (frames == 80) testbackend::PressKey(kFireKey);
  };
  DoTheMap();
  ASSERT_NE(channel, 0);
  // Music 50 and master 50: a base factor of 0.25. The music starts at it in
  // the first frame; nothing changes it until fire starts the fade-out in
  // frame 81, from which on it follows the fade, 1/60 less each frame.
  ASSERT_EQ(volumes.size(), 140u);
  EXPECT_EQ(volumes[0], std::vector<float>{0.25f});
  for (int f = 2; f <= 80; ++f) EXPECT_TRUE(volumes[static_cast<size_t>(f - 1)].empty()) << f;
  for (int f = 81; f <= 140; ++f) {
    const auto& set = volumes[static_cast<size_t>(f - 1)];
    ASSERT_EQ(set.size(), 1u) << f;
    EXPECT_NEAR(set[0], 0.25 * (60 - (f - 81)) / 60.0, 1e-6) << f;
  }
  // Stopped once the screen is over.
  int stops = 0;
  for (const auto& call : testbackend::AudioCalls()) stops += call.op == "StopChannel" && call.a == channel;
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(MusicChannel, 0);
}

TEST_F(MapTest, TitleAuthorAndStoryStandAtTheirPlacesOnEveryScreen) {
  LoadTextFonts();
  Uselevel->author = "By Me";
  Uselevel->store = 1;
  Uselevel->Story[1] = "line one";
  struct Case {
    int w, h;
    int titleX, titleY, authorX, authorY, storyY;
  };
  // Frame 101: the title's centre line is at height - 50.5, truncated.
  const std::vector<Case> cases = {
      {1280, 960, 640, 909, 960, 969, 1059},
      {1600, 900, 800, 849, 1200, 909, 999},
      {1440, 900, 720, 849, 1080, 909, 999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    JScrw = c.w;
    JScrh = c.h;
    std::vector<testgraphics::DrawRecord> texts;
    RunShownScreen([&] {
      if (frames == 100) testgraphics::ClearDraws();
      if (frames != 101) return;
      for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Text)) {
        if (d.text == "Moor" || d.text == "By Me" || d.text == "line one") texts.push_back(d);
      }
    });
    ASSERT_EQ(texts.size(), 6u);
    // Each line after its shadow, 2 pixels right of and below the line.
    struct Line {
      std::string text;
      int font, r, x, y;
    };
    const Line lines[] = {{"Moor", Fontb[18], 200, c.titleX, c.titleY},
                          {"By Me", Fontb[14], 200, c.authorX, c.authorY},
                          {"line one", Fontb[15], 255, c.titleX, c.storyY}};
    for (size_t i = 0; i < 6; ++i) {
      const Line& want = lines[i / 2];
      const bool shadow = i % 2 == 0;
      const auto& d = texts[i];
      SCOPED_TRACE(want.text + (shadow ? " shadow" : ""));
      EXPECT_EQ(d.text, want.text);
      EXPECT_EQ(d.font, want.font);
      EXPECT_EQ(d.r, shadow ? 0 : want.r);
      SetImageFont(d.font);
      const int shift = shadow ? 2 : 0;
      EXPECT_EQ(static_cast<int>(d.x), want.x + shift - TextWidth(d.text) / 2);
      EXPECT_EQ(static_cast<int>(d.y), want.y + shift - TextHeight(d.text) / 2);
    }
  }
}

TEST_F(MapTest, TheTitleTakesTheLargestFontStepThatLeavesItsMarginsDownToStepSix) {
  LoadTextFonts();
  const std::string title = "Over the Moor and Far Away";
  Uselevel->Title = title;
  SetImageFont(Fontb[18]);
  const int wide8 = TextWidth(title);
  SetImageFont(Fontb[17]);
  const int wide7 = TextWidth(title);
  ASSERT_GT(wide8, wide7);
  // The title may take the screen's width less 200.
  struct Case {
    int screenWidth, fontSlot;
  };
  const std::vector<Case> cases = {
      {wide8 + 200, 18}, {wide8 + 199, 17}, {wide7 + 200, 17}, {wide7 + 199, 16}, {300, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("screen width " + std::to_string(c.screenWidth));
    JScrw = c.screenWidth;
    testgraphics::ClearDraws();
    RunShownScreen(nullptr);
    int titles = 0;
    for (const auto& d : testgraphics::DrawsOf(testgraphics::Op::Text)) {
      if (d.text != title) continue;
      ++titles;
      ASSERT_EQ(d.font, Fontb[c.fontSlot]);
    }
    EXPECT_EQ(titles, 2 * frames);
  }
}

TEST_F(MapTest, TheBuggyStartsOnTheStartPointAndTheMarkerStandsOnTheEndPointWhereverTheyAre) {
  struct Case {
    int w, h;
    int32_t sx, sy, ex, ey;
    float buggyX, buggyY, markerX, markerY;
  };
  // Both sprites are drawn at scale 4 with their top-left corner 16 pixels
  // left of and above the point, so the frame's centre lies at the point's
  // x and 16 below it. Points seven times beyond the 32-bit range land as
  // far off the screen as a position can be.
  constexpr float kFar = 2147483648.0f;
  const std::vector<Case> cases = {
      {1280, 960, 10, 10, 20, 20, 38, 62, 108, 132},
      {1600, 900, 150, 100, 0, 0, 1178, 662, 128, -38},
      {1440, 900, 0, 0, 150, 100, 48, -38, 1098, 662},
      {1280, 960, 400000000, -400000000, -400000000, 400000000, kFar, -kFar, -kFar, kFar},
      {1280, 960, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, kFar, -kFar, -kFar, kFar},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.sx) + "," + std::to_string(c.sy) + " to " + std::to_string(c.ex) + "," +
                 std::to_string(c.ey) + " on " + std::to_string(c.w));
    JScrw = c.w;
    JScrh = c.h;
    Uselevel->SX = c.sx;
    Uselevel->SY = c.sy;
    Uselevel->EX = c.ex;
    Uselevel->EY = c.ey;
    std::vector<testgraphics::DrawRecord> firstFrame;
    testgraphics::ClearDraws();
    RunShownScreen([&] {
      if (frames == 1) firstFrame = testgraphics::DrawsOf(testgraphics::Op::Image);
    });
    int buggies = 0, markers = 0;
    for (const auto& d : firstFrame) {
      if (d.image != gfx || (d.frame != 29 && d.frame != 27)) continue;
      const bool buggy = d.frame == 29;
      (buggy ? buggies : markers) += 1;
      EXPECT_FLOAT_EQ(d.scale_x, 4.0f);
      EXPECT_FLOAT_EQ(d.x, buggy ? c.buggyX : c.markerX) << d.frame;
      EXPECT_FLOAT_EQ(d.y, buggy ? c.buggyY : c.markerY) << d.frame;
    }
    EXPECT_EQ(buggies, 1);
    EXPECT_EQ(markers, 1);
  }
}

TEST_F(MapTest, TheFirstWaypointTakesTheSecondAndThirdDrawsAfterTheClockSeed) {
  testbackend::SetClock(5000);
  float x = 0.0f, y = 0.0f;
  RunShownScreen([&] {
    if (frames == 1) {
      x = mapstate.wayX;
      y = mapstate.wayY;
    }
  });
  SeedRnd(5000);
  Rand(360, 1);  // the draw the screen throws away
  const int wantX = Rand(16, 174) * 7;
  const int wantY = Rand(16, 128) * 7;
  EXPECT_EQ(x, static_cast<float>(wantX));
  EXPECT_EQ(y, static_cast<float>(wantY));
}

}  // namespace

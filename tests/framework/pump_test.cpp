#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/common_assets.h"
#include "settings/display.h"
#include "settings/options.h"
#include "startup/globals.h"
#include "test_support.h"

namespace {

using testgraphics::DrawsOf;
using testgraphics::Op;

constexpr int kTab = 9, kEsc = 27, kF4 = 115, kF11 = 122, kF12 = 123, kLAlt = 164, kRAlt = 165;

// Records the services the pump hands over to, with the clock, the flips and
// the pump flags at the moment of each call.
class PumpTest : public ::testing::Test {
 protected:
  struct Call {
    std::string what;
    int32_t clock;
    int flips;
    int32_t inGame;
  };

  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    ResetPumpServices();
    calls.clear();
    LastFrame = 0;
    SkipDraw = 0;
    frameavg = FramesPerSec = Frametook = 0;
    Options.fill(0);
    DebugMode = 0;
    InGame = 0;
    OptionScreen = 0;
    ChangingRes = 0;
    mx = my = wx = wy = 0;
    JScrw = 1280;
    JScrh = 960;
    ClearList(comments);
    DrawMax.fill(0);
    DrawCount.fill(0);
    Font.fill(0);
    CommonIconsF = MakeTestImage(16, 16, 64);
    FrameServices& s = PumpServices();
    s.drawScores = Recorder("scores");
    s.saveIni = Recorder("ini");
    s.saveScreenshot = Recorder("screenshot");
    s.option = Recorder("option");
    s.musicStep = Recorder("music");
    s.finish = Recorder("finish");
    s.pauseMe = [this] {
      Note("pause");
      return pauseAnswer;
    };
  }
  void TearDown() override { ResetPumpServices(); }

  std::function<void()> Recorder(const std::string& what) {
    return [this, what] { Note(what); };
  }
  void Note(const std::string& what) {
    calls.push_back({what, testbackend::Clock(), testgraphics::FlipCount(), InGame});
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.what);
    return out;
  }
  int Count(const std::string& what) const {
    int n = 0;
    for (const Call& c : calls) n += c.what == what;
    return n;
  }
  const Call* Find(const std::string& what) const {
    for (const Call& c : calls) {
      if (c.what == what) return &c;
    }
    return nullptr;
  }

  std::vector<Call> calls;
  int32_t pauseAnswer = 99;
};

TEST_F(PumpTest, StepsRunInOrder) {
  InGame = 1;
  testbackend::TapKey(kTab);
  testbackend::TapKey(kF11);
  testbackend::PressKey(kEsc);
  testbackend::PressKey(kLAlt);
  testbackend::PressKey(kF4);
  AddComment("hello", 1);
  DebugMode = 1;
  testbackend::SetClock(1000);
  LastFrame = 1000;
  EXPECT_EQ(fps(60, 0, 1), 99);
  const std::vector<std::string> want = {"scores", "ini", "screenshot", "pause", "option", "music", "finish"};
  EXPECT_EQ(Names(), want);
  // The menu runs with InGame 2, and play goes on with 1.
  EXPECT_EQ(Find("pause")->inGame, 2);
  EXPECT_EQ(InGame, 1);
  // The music step comes after the wait, the flip after the music step.
  EXPECT_EQ(Find("option")->clock, 1000);
  EXPECT_EQ(Find("music")->clock, 1015);
  EXPECT_EQ(Find("music")->flips, 0);
  EXPECT_EQ(Find("finish")->flips, 1);
  // Debug overlay, then the pointer, then the ticker, all before the flip.
  const auto& draws = testgraphics::Draws();
  int overlay = -1, pointer = -1, ticker = -1;
  for (int i = 0; i < static_cast<int>(draws.size()); ++i) {
    if (draws[i].op == Op::Text && draws[i].text == "Hit F12 to remove this") overlay = i;
    if (draws[i].op == Op::Image && draws[i].image == CommonIconsF) pointer = i;
    if (draws[i].op == Op::Rect) ticker = i;
    EXPECT_EQ(draws[i].flip, 0);
  }
  ASSERT_GE(overlay, 0);
  EXPECT_LT(overlay, pointer);
  EXPECT_LT(pointer, ticker);
}

TEST_F(PumpTest, PacingWaitsFifteenMillisecondsAndAtLeastOnce) {
  struct Case {
    int32_t lastFrame, clock, musicAt;
  };
  for (const Case& c : {Case{1000, 1000, 1015}, Case{1000, 1010, 1015}, Case{1000, 1014, 1015},
                        Case{1000, 1200, 1201}}) {
    SetUp();
    LastFrame = c.lastFrame;
    testbackend::SetClock(c.clock);
    fps(60, 0, 0);
    ASSERT_NE(Find("music"), nullptr);
    EXPECT_EQ(Find("music")->clock, c.musicAt) << c.clock;
    EXPECT_EQ(LastFrame, testbackend::Clock());
  }
}

TEST_F(PumpTest, DrawsAreSubmittedBeforeTheWaitOnDrawnFramesOnly) {
  // The frame renders during the wait: its draws, the pointer included, are
  // handed over at the wait's start, and the ticker's follow with the flip.
  AddComment("hello", 1);
  LastFrame = 1000;
  testbackend::SetClock(1000);
  fps(60, 0, 1);
  EXPECT_EQ(testgraphics::SubmitCount(), 1);
  EXPECT_EQ(testgraphics::LastSubmitClock(), 1000);
  const auto& draws = testgraphics::Draws();
  ASSERT_LT(testgraphics::LastSubmitDraws(), draws.size());
  EXPECT_EQ(draws[testgraphics::LastSubmitDraws() - 1].image, CommonIconsF);
  EXPECT_EQ(draws[testgraphics::LastSubmitDraws()].op, Op::Rect);
  EXPECT_EQ(testgraphics::FlipCount(), 1);

  // Frame skip: undrawn frames are neither submitted nor flipped.
  SetUp();
  Options[7] = 1;
  for (int call = 0; call < 4; ++call) {
    const bool drawn = SkipDraw == 0;
    const int before = testgraphics::SubmitCount();
    fps(60, 0, 0);
    EXPECT_EQ(testgraphics::SubmitCount() - before, drawn ? 1 : 0) << call;
  }
  EXPECT_EQ(testgraphics::SubmitCount(), testgraphics::FlipCount());
}

TEST_F(PumpTest, FrameRateAverage) {
  struct Case {
    int32_t frameMs;
    std::vector<int32_t> rates;
  };
  const Case cases[] = {
      {16, {20, 34, 43, 49, 53, 56, 58, 59, 60, 60, 60}},
      {15, {22, 36, 46, 52, 56, 59, 61, 62, 63, 64, 64, 64}},
      {33, {10, 16, 20, 23, 25, 26, 27, 28, 28, 28}},
  };
  for (const Case& c : cases) {
    SetUp();
    // Work done after the wait makes the frame longer than the 15 ms floor.
    PumpServices().musicStep = [&] { testbackend::AdvanceClock(c.frameMs - 15); };
    for (int32_t want : c.rates) {
      fps(60, 0, 0);
      EXPECT_EQ(Frametook, c.frameMs);
      EXPECT_EQ(FramesPerSec, want) << c.frameMs << " ms";
    }
  }
  // A frame longer than a second adds nothing and pulls the average down.
  SetUp();
  frameavg = 60;
  PumpServices().musicStep = [] { testbackend::AdvanceClock(1200); };
  fps(60, 0, 0);
  EXPECT_EQ(FramesPerSec, 40);
}

TEST_F(PumpTest, ClockThatStepsBackOrWrapsNeitherHangsNorDividesByZero) {
  struct Case {
    int32_t lastFrame, clock;
  };
  for (const Case& c : {Case{100000, 90000}, Case{INT32_MAX - 5, INT32_MAX - 5}, Case{INT32_MAX, INT32_MIN + 3},
                        Case{5, 5 - 10000}}) {
    SetUp();
    frameavg = 60;
    LastFrame = c.lastFrame;
    testbackend::SetClock(c.clock);
    const int32_t start = testbackend::Clock();
    fps(60, 0, 0);
    const int32_t spent = static_cast<int32_t>(static_cast<uint32_t>(testbackend::Clock()) - static_cast<uint32_t>(start));
    EXPECT_GE(spent, 1) << c.lastFrame << " " << c.clock;
    EXPECT_LE(spent, 16) << c.lastFrame << " " << c.clock;
    EXPECT_GE(Frametook, 1);
    EXPECT_GE(FramesPerSec, 0);
    EXPECT_LE(FramesPerSec, 1000);
  }
}

TEST_F(PumpTest, FrameSkipAlternatesFlipsKeysAndCollection) {
  Options[7] = 1;
  InGame = 1;
  for (int call = 0; call < 6; ++call) {
    const int flipsBefore = testgraphics::FlipCount();
    const int32_t phase = SkipDraw;
    calls.clear();
    fc = -1;
    testbackend::TapKey(kF11);
    testbackend::PressKey(kEsc);
    fps(60, 0, 0);
    const bool drawn = phase == 0;
    EXPECT_EQ(testgraphics::FlipCount() - flipsBefore, drawn ? 1 : 0) << call;
    EXPECT_EQ(Count("screenshot"), drawn ? 1 : 0) << call;
    EXPECT_EQ(Count("pause"), drawn ? 1 : 0) << call;
    // Memory is collected on the undrawn calls only.
    EXPECT_EQ(fc == -1, drawn) << call;
    EXPECT_EQ(SkipDraw, 1 - phase);
    EXPECT_EQ(testgraphics::LastFlipSync(), 0);
  }
  // Frame skip off: every call flips, collection still every second call.
  SetUp();
  for (int call = 0; call < 4; ++call) {
    fc = -1;
    const int32_t phase = SkipDraw;
    fps(60, 0, 0);
    EXPECT_EQ(testgraphics::FlipCount(), call + 1);
    EXPECT_EQ(fc == -1, phase == 0);
  }
}

// The window system's events come in at one point of the frame: after its
// flip (or where the flip would be on an undrawn frame) and before the exit
// check, which must see a close request that came in with them.
TEST_F(PumpTest, EventsAreFetchedOnceAFrameAfterTheFlipAndBeforeTheExitCheck) {
  for (int32_t skip : {0, 1}) {
    SetUp();
    Options[7] = skip;
    for (int call = 0; call < 4; ++call) {
      calls.clear();
      int64_t fetches = testbackend::InputFetches();
      testbackend::SetInputPollHook([&](int64_t) {
        if (testbackend::InputFetches() == fetches) return;
        fetches = testbackend::InputFetches();
        Note("fetch");
      });
      const int flipsBefore = testgraphics::FlipCount();
      const bool drawn = skip == 0 || SkipDraw == 0;
      testbackend::RequestClose();
      fps(60, 0, 0);
      testbackend::SetInputPollHook({});
      const std::vector<std::string> want = {"scores", "option", "music", "fetch", "finish"};
      EXPECT_EQ(Names(), want) << skip << "," << call;
      ASSERT_NE(Find("fetch"), nullptr);
      EXPECT_EQ(Find("fetch")->flips, flipsBefore + (drawn ? 1 : 0)) << skip << "," << call;
    }
  }
}

TEST_F(PumpTest, ScreenshotKeyWaitsForADrawnFrame) {
  Options[7] = 1;
  SkipDraw = 1;
  testbackend::TapKey(kF11);
  fps(60, 0, 0);
  EXPECT_EQ(Count("screenshot"), 0);
  fps(60, 0, 0);
  EXPECT_EQ(Count("screenshot"), 1);
}

TEST_F(PumpTest, TabTogglesTheOverlayAndWritesSettingsEveryTime) {
  for (int press = 1; press <= 3; ++press) {
    testbackend::TapKey(kTab);
    fps(60, 0, 0);
    EXPECT_EQ(OptionScreen, press % 2);
    EXPECT_EQ(Count("ini"), press);
  }
  fps(60, 0, 0);
  EXPECT_EQ(Count("ini"), 3);
  EXPECT_EQ(Count("option"), 4);
}

TEST_F(PumpTest, EscapeOpensThePauseMenuOnlyInPlay) {
  testbackend::PressKey(kEsc);
  struct Case {
    int32_t inGame, changingRes;
    int pauses;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{2, 0, 0}, Case{1, 1, 0}, Case{1, 0, 1}}) {
    calls.clear();
    InGame = c.inGame;
    ChangingRes = c.changingRes;
    const int32_t result = fps(60, 0, 0);
    EXPECT_EQ(Count("pause"), c.pauses) << c.inGame << "," << c.changingRes;
    EXPECT_EQ(result, c.pauses ? 99 : 0);
    EXPECT_EQ(InGame, c.inGame);
  }
  // Only the call that ran the menu carries its answer.
  testbackend::ReleaseKey(kEsc);
  pauseAnswer = 1;
  EXPECT_EQ(fps(60, 0, 0), 0);
  testbackend::PressKey(kEsc);
  EXPECT_EQ(fps(60, 0, 0), 1);
}

TEST_F(PumpTest, DebugOverlay) {
  testbackend::TapKey(kF12);
  DrawMax[1] = 700;
  DrawCount[1] = 3;
  DrawMax[3] = 250;
  fps(60, 0, 0);
  EXPECT_EQ(DebugMode, 1);
  auto texts = DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), 7u);
  const std::pair<float, std::string> want[] = {
      {2, "0"},
      {40, "Collection : "},
      {60, "Used Memory : "},
      {80, "Drawn Images : 3/700"},
      {100, "Drawn Glow : 0/0"},
      {120, "Drawn Particles : 0/250"},
      {150, "Hit F12 to remove this"},
  };
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_FLOAT_EQ(texts[i].x, 2);
    EXPECT_FLOAT_EQ(texts[i].y, want[i].first);
    EXPECT_EQ(texts[i].text.rfind(want[i].second, 0), 0u) << texts[i].text;
    EXPECT_FLOAT_EQ(texts[i].scale_x, 1.5f);
  }
  testbackend::TapKey(kF12);
  testgraphics::ClearDraws();
  fps(60, 0, 0);
  EXPECT_EQ(DebugMode, 0);
  EXPECT_TRUE(DrawsOf(Op::Text).empty());
}

TEST_F(PumpTest, PointerAndMouseSample) {
  struct Case {
    int32_t showmouse, optionScreen;
    bool drawn;
  };
  for (const Case& c : {Case{1, 0, true}, Case{0, 0, false}, Case{2, 0, false}, Case{2, 1, true}, Case{0, 1, true}}) {
    SetUp();
    OptionScreen = c.optionScreen;
    testbackend::SetMouse(100.7f, 50.2f);
    fps(60, 0, c.showmouse);
    auto images = DrawsOf(Op::Image);
    ASSERT_EQ(images.size(), c.drawn ? 1u : 0u) << c.showmouse << "," << c.optionScreen;
    if (c.drawn) {
      EXPECT_EQ(images[0].frame, 63);
      EXPECT_FLOAT_EQ(images[0].x, 112.7f);
      EXPECT_FLOAT_EQ(images[0].y, 62.2f);
      EXPECT_FLOAT_EQ(images[0].scale_x, 1.5f);
      EXPECT_FLOAT_EQ(images[0].alpha, 1.0f);
    }
  }
  SetUp();
  testbackend::SetMouse(10.9f, 20.5f);
  testbackend::PressMouse(1);
  fps(60, 0, 0);
  EXPECT_EQ(mx, 10);
  EXPECT_EQ(my, 20);
  EXPECT_EQ(wx, 0);
  EXPECT_EQ(mh1, 1);
  EXPECT_EQ(mh2, 0);
  testbackend::SetMouse(30, 40);
  fps(60, 0, 0);
  EXPECT_EQ(wx, 10);
  EXPECT_EQ(wy, 20);
  EXPECT_EQ(mx, 30);
  EXPECT_EQ(my, 40);
  EXPECT_EQ(mh1, 0);
}

TEST_F(PumpTest, ExitRequests) {
  struct Case {
    std::vector<int> keys;
    bool close;
    int finishes;
  };
  const Case cases[] = {
      {{kF4}, false, 0},         {{kLAlt}, false, 0},        {{kRAlt}, false, 0}, {{kLAlt, kF4}, false, 1},
      {{kRAlt, kF4}, false, 1},  {{}, true, 1},               {{}, false, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    for (int k : c.keys) testbackend::PressKey(k);
    if (c.close) testbackend::RequestClose();
    fps(60, 0, 0);
    EXPECT_EQ(Count("finish"), c.finishes);
  }
  // With Alt+F4 held the close request is not asked for, so it is still there
  // for the next call.
  SetUp();
  testbackend::PressKey(kLAlt);
  testbackend::PressKey(kF4);
  testbackend::RequestClose();
  fps(60, 0, 0);
  EXPECT_EQ(Count("finish"), 1);
  testbackend::ReleaseKey(kF4);
  fps(60, 0, 0);
  EXPECT_EQ(Count("finish"), 2);
}

TEST_F(PumpTest, CommentTicker) {
  AddComment("first", 1);
  struct Seen {
    int call;
    bool fresh;
  };
  for (int call = 1; call <= 180; ++call) {
    testgraphics::ClearDraws();
    fps(60, 0, 0);
    auto rects = DrawsOf(Op::Rect);
    auto texts = DrawsOf(Op::Text);
    ASSERT_EQ(rects.size(), 1u) << call;
    ASSERT_EQ(texts.size(), 1u);
    const bool fresh = call < 60;
    EXPECT_EQ(rects[0].b, fresh ? 0 : 0);
    EXPECT_EQ(rects[0].r, fresh ? 255 : 0) << call;
    EXPECT_EQ(rects[0].g, fresh ? 255 : 0) << call;
    EXPECT_FLOAT_EQ(rects[0].alpha, 0.7f);
    EXPECT_FLOAT_EQ(rects[0].x, 0);
    EXPECT_FLOAT_EQ(rects[0].y, 944);
    EXPECT_FLOAT_EQ(rects[0].w, static_cast<float>(TextWidth("first")));
    EXPECT_FLOAT_EQ(rects[0].h, static_cast<float>(TextHeight("first")));
    EXPECT_FLOAT_EQ(rects[0].scale_x, 1.0f);
    EXPECT_EQ(texts[0].text, "first");
    EXPECT_EQ(texts[0].r, fresh ? 0 : 255) << call;
    EXPECT_FLOAT_EQ(texts[0].alpha, 1.0f);
    EXPECT_FLOAT_EQ(texts[0].y, 944);
  }
  EXPECT_EQ(CountList(comments), 0);
  testgraphics::ClearDraws();
  fps(60, 0, 0);
  EXPECT_TRUE(DrawsOf(Op::Rect).empty());
}

TEST_F(PumpTest, TallTickerFontKeepsItsLinesApartAndOnScreen) {
  // The 22-pixel ticker font of windows below 900 pixels.
  const char* file = "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "the ticker font is not installed";
  Font[3] = LoadImageFont(file, 22, SMOOTHFONT);
  SetImageFont(Font[3]);
  const int line = TextHeight("Ag");
  ASSERT_GT(line, 16);
  AddComment("Saved Screenshot", 1);
  AddComment("two", 1);
  testgraphics::ClearDraws();
  fps(60, 0, 0);
  auto texts = DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), 2u);
  // Up and apart by what a line is taller than 19 units.
  EXPECT_FLOAT_EQ(texts[0].y, static_cast<float>(944 - (line - 19)));
  EXPECT_LE(texts[0].y + texts[0].h, 960.0f + 3.0f);
  EXPECT_FLOAT_EQ(texts[1].y, texts[0].y - static_cast<float>(14 + line - 19));
  // Lines overlap by the 5 units the 16-pixel font's lines do.
  EXPECT_FLOAT_EQ(texts[1].y + texts[1].h, texts[0].y + 5.0f);
}

TEST_F(PumpTest, CommentsStackUpwardAndMoveDownWhenTheOldestGoes) {
  AddComment("one", 1);
  for (int i = 0; i < 100; ++i) fps(60, 0, 0);
  AddComment("two", 1);
  AddComment("three", 1);
  testgraphics::ClearDraws();
  fps(60, 0, 0);
  auto texts = DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, "one");
  EXPECT_FLOAT_EQ(texts[0].y, 944);
  EXPECT_EQ(texts[1].text, "two");
  EXPECT_FLOAT_EQ(texts[1].y, 930);
  EXPECT_EQ(texts[2].text, "three");
  EXPECT_FLOAT_EQ(texts[2].y, 916);
  // Calls 102 to 180 of the oldest; the 180th still draws it, and the others
  // move down one line in the same call.
  for (int i = 0; i < 78; ++i) fps(60, 0, 0);
  testgraphics::ClearDraws();
  fps(60, 0, 0);
  texts = DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(CountList(comments), 2);
  testgraphics::ClearDraws();
  fps(60, 0, 0);
  texts = DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "two");
  EXPECT_FLOAT_EQ(texts[0].y, 944);
  EXPECT_FLOAT_EQ(texts[1].y, 930);
}

TEST_F(PumpTest, DrawingStateLeftForTheNextFrame) {
  Font[3] = 0;
  SetRotation(30);
  Blend(kBlendShade);
  fps(60, 0, 0);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 1.0f);
  EXPECT_EQ(GetRotation(), 0.0f);
  EXPECT_EQ(GetBlend(), ALPHABLEND);
  EXPECT_EQ(GetAlpha(), 1.0f);
  // A fresh comment leaves black behind.
  AddComment("x", 1);
  fps(60, 0, 0);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r + g + b, 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/pump.h"
#include "platform/core/input_state.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"

namespace {

using testgraphics::DrawRecord;
using testgraphics::Op;

constexpr int kEsc = 27, kReturn = 13, kSpace = 32, kUp = 38, kDown = 40;

class PauseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    ResetPumpServices();
    FrameServices& s = PumpServices();
    s.drawScores = [] {};
    s.option = [] {};
    s.finish = [] { FAIL() << "the menu asked to end the program"; };
    Options.fill(0);
    KeyV.fill(0);
    KeyV[0] = 38, KeyV[8] = 40, KeyV[10] = 90, KeyV[11] = 88;
    StickCount = 0;
    StickOn.fill(0);
    DebugMode = 0;
    SkipDraw = 0;
    LastFrame = 0;
    JScrw = 1280, JScrh = 960, MyScrw = 1280, MyScrh = 960;
    GameName = "#256 : Duskmoor II";
    Font.fill(0);
  }
  void TearDown() override { ResetPumpServices(); }

  // Press `key` at the end of frame `frame` (it is down from the next frame on)
  // and release it at the end of frame `frame + frames`.
  static void Hold(int key, int frame, int frames = 1) { testbackend::HoldKeyFrames(key, frame, frames); }

  // The draws of one menu frame (counted from 1).
  static std::vector<DrawRecord> FrameDraws(int frame) {
    std::vector<DrawRecord> out;
    for (const DrawRecord& d : testgraphics::Draws()) {
      if (d.flip == frame - 1 && d.op != Op::GrabImage) out.push_back(d);
    }
    return out;
  }
  // The menu items drawn in a frame: text -> the record.
  static std::map<std::string, DrawRecord> Items(int frame) {
    std::map<std::string, DrawRecord> out;
    for (const DrawRecord& d : FrameDraws(frame)) {
      if (d.op == Op::Text && (d.text == "Continue" || d.text == "Quit")) out[d.text] = d;
    }
    return out;
  }
  static bool Highlighted(const DrawRecord& d) { return d.r == 255 && d.g == 255 && d.b == 0; }
};

TEST_F(PauseTest, DownThenChooseQuits) {
  Hold(kDown, 1);
  Hold(kSpace, 3);
  EXPECT_EQ(PauseMe(), kPauseQuit);
  EXPECT_EQ(testgraphics::FlipCount(), 4);
  auto first = Items(1);
  EXPECT_TRUE(Highlighted(first["Continue"]));
  EXPECT_FLOAT_EQ(first["Continue"].x, 158);
  EXPECT_FLOAT_EQ(first["Continue"].y, 420);
  EXPECT_FALSE(Highlighted(first["Quit"]));
  EXPECT_FLOAT_EQ(first["Quit"].x, 138);
  EXPECT_FLOAT_EQ(first["Quit"].y, 480);
  auto second = Items(2);
  EXPECT_TRUE(Highlighted(second["Quit"]));
  EXPECT_FLOAT_EQ(second["Quit"].x, 158);
  EXPECT_FALSE(Highlighted(second["Continue"]));
}

TEST_F(PauseTest, ControlsHeldFromPlayWaitForARelease) {
  // Fire (Z, action 10) held from play, with Return and a mouse click: none
  // of them chooses anything until every menu input has been up.
  testbackend::PressKey(90);
  testbackend::PressKey(kReturn);
  testbackend::PressMouse(1);
  testbackend::InputAtFrame(3, [] { testbackend::ReleaseKey(90); });
  Hold(kSpace, 5);
  EXPECT_EQ(PauseMe(), kPauseContinue);
  EXPECT_EQ(testgraphics::FlipCount(), 6);
}

TEST_F(PauseTest, MovesWrapAndUpWinsOverDown) {
  // Frame 2: Up from "Continue" gives "Quit" at once.
  Hold(kUp, 1);
  // Frame 4: Down from "Quit": no item lit, then "Continue" from frame 5.
  Hold(kDown, 3);
  // Frame 6: Up and Down together: only Up acts -> "Quit".
  testbackend::InputAtFrame(5, [] {
    testbackend::PressKey(kUp);
    testbackend::PressKey(kDown);
  });
  testbackend::InputAtFrame(6, [] {
    testbackend::ReleaseKey(kUp);
    testbackend::ReleaseKey(kDown);
  });
  // Frame 8: a move and a choice together: only the move -> "Continue".
  testbackend::InputAtFrame(7, [] {
    testbackend::PressKey(kUp);
    testbackend::PressKey(kSpace);
  });
  testbackend::InputAtFrame(8, [] {
    testbackend::ReleaseKey(kUp);
    testbackend::ReleaseKey(kSpace);
  });
  Hold(kSpace, 9);
  EXPECT_EQ(PauseMe(), kPauseContinue);
  EXPECT_EQ(testgraphics::FlipCount(), 10);
  EXPECT_TRUE(Highlighted(Items(2)["Quit"]));
  auto frame4 = Items(4);
  EXPECT_FALSE(Highlighted(frame4["Quit"]));
  EXPECT_FALSE(Highlighted(frame4["Continue"]));
  EXPECT_TRUE(Highlighted(Items(5)["Continue"]));
  EXPECT_TRUE(Highlighted(Items(6)["Quit"]));
  EXPECT_TRUE(Highlighted(Items(8)["Continue"]));
}

TEST_F(PauseTest, EscapeChoosesTheHighlightedItem) {
  // Escape goes down inside the pump of the last frame, after that frame's
  // moves, and up again once the menu waits for it on the way out.
  struct Case {
    int moveKey;  // held from the end of frame 1, 0 for none
    int32_t want;
    int frames;
  };
  const Case cases[] = {{0, kPauseContinue, 1}, {kDown, kPauseQuit, 2}, {kUp, kPauseQuit, 2}};
  for (const Case& c : cases) {
    SetUp();
    if (c.moveKey) Hold(c.moveKey, 1, 5);
    PumpServices().musicStep = [&c] {
      if (testbackend::FrameCount() + 1 != c.frames) return;
      testbackend::PressKey(kEsc);
      testbackend::SetInputPollHook([](int64_t) {
        static int polls = 0;
        if (++polls % 50 == 0) testbackend::ReleaseKey(kEsc);
      });
    };
    EXPECT_EQ(PauseMe(), c.want) << c.moveKey;
    EXPECT_EQ(testgraphics::FlipCount(), c.frames) << c.moveKey;
  }
}

TEST_F(PauseTest, EscapeHeldAtEntryDelaysTheGrab) {
  testbackend::PressKey(kEsc);
  int64_t releasedAt = -1;
  int64_t fetchesAtRelease = -1;
  testbackend::SetInputPollHook([&](int64_t polls) {
    if (polls == 100) {
      testbackend::ReleaseKey(kEsc);
      releasedAt = polls;
      fetchesAtRelease = testbackend::InputFetches();
    }
  });
  Hold(kSpace, 1);
  EXPECT_EQ(PauseMe(), kPauseContinue);
  EXPECT_EQ(releasedAt, 100);
  // The wait hears of the key's release only by fetching the window
  // system's events, once a pass (a look at the key, a fetch and a look for
  // a close request).
  EXPECT_GE(fetchesAtRelease, 100 / 3 - 1);
  const auto& draws = testgraphics::Draws();
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ(draws[0].op, Op::GrabImage);
}

// Stands in for the farewell, which never returns: the menu is left at once.
struct RunEnded {
  bool escHeld;
};

TEST_F(PauseTest, EscapeHeldInEitherWaitDoesNotHoldOffAnEndRequest) {
  // Esc held as the menu opens (its first wait), or held on after it left the
  // menu (its last wait); then a termination signal or a close request
  // arrives. The request is answered as the frame pump answers it, with Esc
  // still down; only a game that never answered sees it let go, after 5000
  // polls.
  struct Case {
    const char* what;
    bool atStart;
    bool signal;
  };
  const Case cases[] = {{"first wait, signal", true, true},
                        {"first wait, close request", true, false},
                        {"last wait, signal", false, true},
                        {"last wait, close request", false, false}};
  for (const Case& c : cases) {
    SetUp();
    PumpServices().finish = [] { throw RunEnded{inputstate::KeyDown(kEsc) != 0}; };
    const auto request = [&c] {
      if (c.signal) testbackend::RequestSystemQuit();
      else testbackend::RequestClose();
    };
    int64_t requestAt = -1, releaseAt = -1;
    if (c.atStart) {
      testbackend::PressKey(kEsc);
      request();
    } else {
      // Esc goes down at the end of the first frame: the menu takes it as
      // Continue right after that frame's pump, and then waits for it.
      testbackend::InputAtFrame(1, [] { testbackend::PressKey(kEsc); });
    }
    testbackend::SetInputPollHook([&](int64_t polls) {
      if (releaseAt < 0) releaseAt = polls + 5000;
      // Well past the tail of the first frame's pump.
      if (!c.atStart && testbackend::FrameCount() == 1 && requestAt < 0) requestAt = polls + 50;
      if (polls == requestAt) request();
      if (polls == releaseAt) testbackend::ReleaseKey(kEsc);
    });
    bool ended = false, escHeld = false;
    try {
      PauseMe();
    } catch (const RunEnded& e) {
      ended = true;
      escHeld = e.escHeld;
    }
    testbackend::SetInputPollHook({});
    EXPECT_TRUE(ended) << c.what;
    EXPECT_TRUE(escHeld) << c.what;
    EXPECT_EQ(testgraphics::FlipCount(), c.atStart ? 0 : 1) << c.what;
  }
}

// The way out, and whether Quit was known to it.
struct QuitKnownAtTheEnd {
  bool quit;
};

TEST_F(PauseTest, QuitIsKnownTheMomentItIsChosen) {
  // Once Quit is chosen the game that opened the menu is over, though it
  // hears of the answer only when the menu returns: a termination signal or
  // a close request in the rest of that frame, or while Esc is held on after
  // it, ends the run with Quit already known to the way out. Continue is no
  // Quit.
  struct Case {
    const char* what;
    bool quit;
    bool escHeld;  // chosen with Esc, held on; else with Space
    bool signal;
  };
  const Case cases[] = {{"quit, rest of the frame, signal", true, false, true},
                        {"quit, rest of the frame, close request", true, false, false},
                        {"quit, Esc held after, signal", true, true, true},
                        {"quit, Esc held after, close request", true, true, false},
                        {"continue, rest of the frame, signal", false, false, true},
                        {"continue, Esc held after, close request", false, true, false}};
  for (const Case& c : cases) {
    SetUp();
    QuitChosenInPause = false;
    PumpServices().finish = [] { throw QuitKnownAtTheEnd{QuitChosenInPause}; };
    const auto request = [&c] {
      if (c.signal) testbackend::RequestSystemQuit();
      else testbackend::RequestClose();
    };
    // Quit is lit in the second frame (Continue without Down); Space chooses
    // it in the fourth, Esc right after the third frame's pump.
    if (c.quit) Hold(kDown, 1);
    if (c.escHeld) testbackend::InputAtFrame(3, [] { testbackend::PressKey(kEsc); });
    else Hold(kSpace, 3);
    PumpServices().musicStep = [&] {
      if (!c.escHeld && testbackend::FrameCount() == 3) request();
    };
    int64_t requestAt = -1;
    testbackend::SetInputPollHook([&](int64_t polls) {
      if (c.escHeld && testbackend::FrameCount() == 3 && requestAt < 0) requestAt = polls + 50;
      if (polls == requestAt) request();
    });
    bool ended = false, quitKnown = false;
    try {
      PauseMe();
    } catch (const QuitKnownAtTheEnd& e) {
      ended = true;
      quitKnown = e.quit;
    }
    testbackend::SetInputPollHook({});
    EXPECT_TRUE(ended) << c.what;
    EXPECT_EQ(quitKnown, c.quit) << c.what;
    testbackend::ReleaseKey(kEsc);
  }
  QuitChosenInPause = false;
}

TEST_F(PauseTest, FramePicture) {
  Hold(kSpace, 2);
  PauseMe();
  ASSERT_EQ(testgraphics::FlipCount(), 3);
  std::vector<DrawRecord> titles[2];
  for (int frame = 1; frame <= 2; ++frame) {
    auto draws = FrameDraws(frame);
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws[0].op, Op::Cls);
    // The backdrop, centred, turning and breathing.
    const DrawRecord& back = draws[1];
    EXPECT_EQ(back.op, Op::Image);
    EXPECT_FLOAT_EQ(back.x, 640);
    EXPECT_FLOAT_EQ(back.y, 480);
    EXPECT_NEAR(back.rotation, 0.1f * frame, 1e-5);
    EXPECT_NEAR(back.scale_x, 1.5 + 0.5 * std::sin(0.4 * frame * 3.14159265358979 / 180), 1e-5);
    EXPECT_NEAR(back.scale_y, 1.5 + 0.5 * std::sin(0.4 * frame * 1.3 * 3.14159265358979 / 180), 1e-5);
    int rects = 0;
    for (const DrawRecord& d : draws) {
      if (d.op == Op::Text && d.text == GameName) titles[frame - 1].push_back(d);
      if (d.op == Op::Rect) {
        ++rects;
        EXPECT_FLOAT_EQ(d.x, 128);
        EXPECT_FLOAT_EQ(d.y, 360);
        EXPECT_FLOAT_EQ(d.w, 213);
        EXPECT_FLOAT_EQ(d.h, 240);
        EXPECT_EQ(d.r + d.g + d.b, 0);
        EXPECT_FLOAT_EQ(d.alpha, 0.5f);
      }
    }
    EXPECT_EQ(rects, 1);
  }
  // 180 copies in each frame at the same places and colours; only their turn
  // and size change.
  ASSERT_EQ(titles[0].size(), 180u);
  ASSERT_EQ(titles[1].size(), 180u);
  for (size_t i = 0; i < 180; ++i) {
    EXPECT_FLOAT_EQ(titles[0][i].x, titles[1][i].x);
    EXPECT_FLOAT_EQ(titles[0][i].y, titles[1][i].y);
    EXPECT_EQ(titles[0][i].r, titles[1][i].r);
    EXPECT_EQ(titles[0][i].g, titles[1][i].g);
    EXPECT_EQ(titles[0][i].b, titles[1][i].b);
    EXPECT_FLOAT_EQ(titles[0][i].alpha, 0.4f);
    EXPECT_EQ(titles[0][i].r % 50, 0);
    EXPECT_NEAR(titles[0][i].rotation, 0.1f + 2.0f * static_cast<float>(i + 1), 1e-3);
  }
  // The first copy comes from the fixed seed: blue, green, red, y, x.
  SeedRnd(37171650);
  const int blue = Rand(1, 5) * 50, green = Rand(1, 5) * 50, red = Rand(1, 5) * 50;
  const int y = Rand(0, 960), x = Rand(0, 1280);
  EXPECT_EQ(titles[0][0].r, red);
  EXPECT_EQ(titles[0][0].g, green);
  EXPECT_EQ(titles[0][0].b, blue);
  EXPECT_FLOAT_EQ(titles[0][0].x, static_cast<float>(x - TextWidth(GameName) / 2));
  EXPECT_FLOAT_EQ(titles[0][0].y, static_cast<float>(y - TextHeight(GameName) / 2));
}

TEST_F(PauseTest, GeneratorIsReseededFromTheClockOnExit) {
  Hold(kSpace, 1);
  testbackend::SetClock(123456);
  PauseMe();
  const int32_t after = RndSeed();
  SeedRnd(testbackend::Clock());
  EXPECT_EQ(after, RndSeed());
  SeedRnd(37171650);
  for (int i = 0; i < 180 * 5; ++i) Rand(1, 2);
  EXPECT_NE(after, RndSeed());
}

TEST_F(PauseTest, WideScreenPlacement) {
  JScrw = 1600, JScrh = 900;
  Hold(kSpace, 1);
  PauseMe();
  auto items = Items(1);
  EXPECT_FLOAT_EQ(items["Continue"].x, 190);
  EXPECT_FLOAT_EQ(items["Continue"].y, 397);
  EXPECT_FLOAT_EQ(items["Quit"].x, 170);
  EXPECT_FLOAT_EQ(items["Quit"].y, 457);
  for (const DrawRecord& d : FrameDraws(1)) {
    if (d.op == Op::Rect) {
      EXPECT_FLOAT_EQ(d.x, 160);
      EXPECT_FLOAT_EQ(d.y, 337.5f);
      EXPECT_FLOAT_EQ(d.w, 266);
      EXPECT_FLOAT_EQ(d.h, 225);
    }
  }
}

}  // namespace

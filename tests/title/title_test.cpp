#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "framework/globals.h"
#include "level/play_globals.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/options.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"
#include "title/title.h"
#include "title/title_fixture.h"

using testgraphics::Op;

namespace {

constexpr int kUp = 38, kDown = 40, kLeft = 37, kEsc = 27, kZ = 90;

class TitleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    titletest::TitleAt1280();
    testgraphics::ClearDraws();
  }
  static void AddPacks(std::vector<std::string> titles) {
    for (const auto& t : titles) {
      auto g = std::make_shared<game>();
      g->Title = t;
      g->author = "by " + t;
      levels.AddLast(g);
    }
  }
  static std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& d : testgraphics::DrawsOf(Op::Text)) out.push_back(d.text);
    return out;
  }
  static bool Drew(const std::string& text) {
    for (const auto& t : Texts()) {
      if (t == text) return true;
    }
    return false;
  }
};

TEST_F(TitleTest, NeighboursWrapAroundTheChosenPack) {
  struct Case {
    std::vector<std::string> packs;
    int mode;
    std::string post, use, pre;
  } cases[] = {
      {{"A"}, 0, "A", "A", "A"},
      {{"A", "B"}, 0, "B", "A", "B"},
      {{"A", "B", "C"}, 0, "C", "A", "B"},
      {{"A", "B", "C"}, 2, "B", "C", "A"},
      {{"A", "B", "C"}, 1, "A", "B", "C"},
  };
  for (const auto& c : cases) {
    levels.Clear();
    AddPacks(c.packs);
    GameMode = c.mode;
    Neighbours();
    EXPECT_EQ(Postlevel->Title, c.post);
    EXPECT_EQ(Uselevel->Title, c.use);
    EXPECT_EQ(Prelevel->Title, c.pre);
  }
}

TEST_F(TitleTest, UpAndDownStepThePackOnceAPress) {
  AddPacks({"A", "B", "C"});
  TitleSetUp();
  // Up at the first pack selects the last; holding it steps only once.
  testbackend::PressKey(kUp);
  TitleFrame();
  EXPECT_EQ(GameMode, 2);
  TitleFrame();
  TitleFrame();
  EXPECT_EQ(GameMode, 2);
  EXPECT_EQ(Uselevel->Title, "C");
  testbackend::ReleaseKey(kUp);
  TitleFrame();  // every start control released: the latch clears
  testbackend::PressKey(kDown);
  TitleFrame();
  EXPECT_EQ(GameMode, 0);  // down at the last wraps to the first
  testbackend::ReleaseKey(kDown);
  TitleFrame();
  // Up and Down together move up by one.
  testbackend::PressKey(kUp);
  testbackend::PressKey(kDown);
  TitleFrame();
  EXPECT_EQ(GameMode, 2);
  testbackend::ReleaseKey(kUp);
  testbackend::ReleaseKey(kDown);
  TitleFrame();
  // Left only sets the latch, so a Down held with it does nothing.
  testbackend::PressKey(kLeft);
  TitleFrame();
  testbackend::PressKey(kDown);
  TitleFrame();
  EXPECT_EQ(GameMode, 2);
  // The drawn titles lag one frame behind the choice.
  EXPECT_TRUE(Drew("C"));
  EXPECT_EQ(InGame, 0);
}

TEST_F(TitleTest, PlayersThreeAndFourDoNotChoose) {
  AddPacks({"A", "B"});
  KeyV[40 + 0] = 87;  // player 3's up on W
  TitleSetUp();
  testbackend::PressKey(87);
  TitleFrame();
  EXPECT_EQ(GameMode, 0);
}

TEST_F(TitleTest, WithoutPacksTheScreenRunsStartsNothingAndEscLeaves) {
  TitleSetUp();
  testbackend::PressKey(kZ);
  for (int i = 0; i < 3; ++i) TitleFrame();
  EXPECT_EQ(TitleLoop.StartHeld, 1);
  EXPECT_EQ(TitleLoop.InputLatch, 0);  // nothing started, nothing latched
  EXPECT_FALSE(Uselevel);
  testbackend::PressKey(kUp);
  TitleFrame();
  EXPECT_EQ(GameMode, 0);
  EXPECT_TRUE(Drew("Press Start (Z) To Begin"));
  EXPECT_EQ(TitleLoop.QuitTitle, 0);
  testbackend::PressKey(kEsc);
  TitleFrame();
  EXPECT_EQ(TitleLoop.QuitTitle, 1);
}

TEST_F(TitleTest, EscAfterPlayNeedsARelease) {
  TitleSetUp();
  TitleLoop.EscLatch = 1;
  testbackend::PressKey(kEsc);
  TitleFrame();
  EXPECT_EQ(TitleLoop.QuitTitle, 0);
  testbackend::ReleaseKey(kEsc);
  TitleFrame();
  testbackend::PressKey(kEsc);
  TitleFrame();
  EXPECT_EQ(TitleLoop.QuitTitle, 1);
}

TEST_F(TitleTest, FirstFrameSlidesInFromTheEdges) {
  AddPacks({"Only"});
  TitleSetUp();
  TitleFrame();
  EXPECT_EQ(TitleLoop.TitleSlide, 1);
  const auto rects = testgraphics::DrawsOf(Op::Rect);
  ASSERT_GE(rects.size(), 98u);
  // 97 stripes, then the credits box at 10 - (320 - 10).
  EXPECT_FLOAT_EQ(rects[0].rotation, -45.0f);
  EXPECT_EQ(rects[96].b, 98);
  EXPECT_FLOAT_EQ(rects[97].x, -300.0f);
  EXPECT_FLOAT_EQ(rects[97].y, 530.0f);
  EXPECT_FLOAT_EQ(rects[97].w, 320.0f);
  for (int i = 1; i < 32; ++i) TitleFrame();
  EXPECT_EQ(TitleLoop.TitleSlide, 32);
  testgraphics::ClearDraws();
  TitleFrame();
  EXPECT_EQ(TitleLoop.TitleSlide, 32);
  bool box_at_rest = false;
  for (const auto& r : testgraphics::DrawsOf(Op::Rect)) box_at_rest |= r.x == 10.0f && r.w == 320.0f;
  EXPECT_TRUE(box_at_rest);
  for (const char* t : {"Only", "by Only", "Hit [Tab] for settings", "A Game by Quoradin", "Press Start (Z) To Begin"}) {
    EXPECT_TRUE(Drew(t)) << t;
  }
  bool prompt_centred = false;
  for (const auto& d : testgraphics::DrawsOf(Op::Text)) {
    if (d.text == "Press Start (Z) To Begin") prompt_centred = d.y < 480.0f && d.y > 400.0f;
  }
  EXPECT_TRUE(prompt_centred);
}

TEST_F(TitleTest, NarrowDisplayUsesTheWiderCreditsBox) {
  MyScrw = 800;
  MyScrh = 600;
  TitleSetUp();
  TitleFrame();
  const auto rects = testgraphics::DrawsOf(Op::Rect);
  ASSERT_GE(rects.size(), 98u);
  EXPECT_FLOAT_EQ(rects[97].x, 10.0f - (416.0f - 13.0f));
  EXPECT_FLOAT_EQ(rects[97].w, 416.0f);
}

TEST_F(TitleTest, HintBlinksOnlyAtTheStartWidth) {
  struct Case {
    int width, clock;
    int blue;
  } cases[] = {{800, 100, 0}, {800, 500, 255}, {1024, 100, 255}};
  for (const auto& c : cases) {
    Options[5] = c.width;
    testbackend::SetClock(c.clock - 1);
    testgraphics::ClearDraws();
    TitleFrame();
    int hints = 0;
    for (const auto& d : testgraphics::DrawsOf(Op::Text)) {
      if (d.text != "Hit [Tab] for settings") continue;
      ++hints;
      EXPECT_FLOAT_EQ(d.x, 4.0f);
      EXPECT_FLOAT_EQ(d.y, 4.0f);
      EXPECT_EQ(d.b, c.blue) << c.width << " " << c.clock;
    }
    EXPECT_EQ(hints, 1) << c.width << " " << c.clock;
  }
}

TEST_F(TitleTest, LogoFadesUnderThePointer) {
  TitleSetUp();
  TitleFrame();
  EXPECT_EQ(TitleLoop.LogoFade, 5);
  for (int i = 0; i < 40; ++i) TitleFrame();
  EXPECT_EQ(TitleLoop.LogoFade, 60);
  mx = 640;  // inside the 640 x 120 box around the resting logo
  my = 280;
  testbackend::SetMouse(640, 280);
  for (int i = 0; i < 12; ++i) TitleFrame();
  EXPECT_EQ(TitleLoop.LogoFade, 0);
}

TEST_F(TitleTest, HoldWaitsForTheDeadline) {
  testbackend::SetClock(1000);
  testbackend::SetReadCost(1);
  TitleHold(2500);
  EXPECT_GE(testbackend::Clock(), 2500);
  const int32_t now = testbackend::Clock();
  TitleHold(now - 10);
  EXPECT_LE(testbackend::Clock(), now + 2);
}

}  // namespace

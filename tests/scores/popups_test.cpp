// Score popups: awarded points rise and fade over 120 frames, then go.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game/game_state.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/test/test_graphics.h"
#include "scores/popups.h"
#include "scores_fixture.h"

using testgraphics::DrawRecord;
using testgraphics::Op;

namespace {

class PopupTest : public ScoresTest {
 protected:
  void SetUp() override {
    ScoresTest::SetUp();
    score = 0;
    Font[3] = LoadImageFont("", 16);  // no such file: the default font
  }
  static std::vector<DrawRecord> Frame() {
    testgraphics::ClearDraws();
    DrawScores();
    return testgraphics::DrawsOf(Op::Text);
  }
};

TEST_F(PopupTest, NothingLiveSetsUpTheDrawingStateOnly) {
  SetRotation(30);
  SetScale(2, 2);
  SetColor(1, 2, 3);
  SetAlpha(0.2f);
  EXPECT_TRUE(Frame().empty());
  EXPECT_EQ(GetImageFont(), Font[3]);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_FLOAT_EQ(sx, 1.0f);
  EXPECT_FLOAT_EQ(GetRotation(), 0.0f);
  EXPECT_FLOAT_EQ(GetAlpha(), 1.0f);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r + g + b, 3 * 255);
}

TEST_F(PopupTest, APopupRisesAndFadesForExactly120Frames) {
  Gimme(250, 400, 300, 10, 20, 30);
  EXPECT_EQ(score, 250);
  ASSERT_EQ(CountList(scoreget), 1);
  const auto p = scoreget.First();
  EXPECT_EQ(p->t, 120);
  int drawn = 0;
  for (int frame = 1; frame <= 120; ++frame) {
    const auto texts = Frame();
    ASSERT_EQ(texts.size(), 1u) << frame;
    ++drawn;
    const DrawRecord& d = texts[0];
    EXPECT_EQ(d.text, "250");
    EXPECT_NEAR(d.alpha, (120 - frame) / 120.0f, 1e-6) << frame;
    EXPECT_EQ(d.r, 10);
    EXPECT_EQ(d.b, 30);
    // Centred on the truncated position, a quarter pixel higher each frame.
    const int y = static_cast<int>(300.0f - 0.25f * frame);
    EXPECT_FLOAT_EQ(d.x, 400 - TextWidth("250") / 2) << frame;
    EXPECT_FLOAT_EQ(d.y, y - TextHeight("250") / 2) << frame;
  }
  EXPECT_EQ(drawn, 120);
  EXPECT_EQ(CountList(scoreget), 0);
  EXPECT_TRUE(Frame().empty());
}

TEST_F(PopupTest, ZeroNegativeAndOutOfRangeColours) {
  Gimme(0, 10, 10, 300, -5, 128);
  Gimme(-40, 10, 10, 0, 0, 0);
  EXPECT_EQ(score, -40);
  const auto texts = Frame();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "0");
  EXPECT_EQ(texts[0].r, 255);
  EXPECT_EQ(texts[0].g, 0);
  EXPECT_EQ(texts[0].b, 128);
  // The newer one is drawn over the older one.
  EXPECT_EQ(texts[1].text, "-40");
}

TEST_F(PopupTest, SeveralExpireInOneFrameAndTheOthersGoOn) {
  Gimme(1, 0, 0, 0, 0, 0);
  Gimme(2, 0, 0, 0, 0, 0);
  for (int i = 0; i < 60; ++i) Frame();
  Gimme(3, 0, 0, 0, 0, 0);
  Gimme(4, 0, 0, 0, 0, 0);
  for (int i = 0; i < 59; ++i) Frame();
  // Frame 120 of the first two: all four drawn, the first two retired.
  const auto texts = Frame();
  ASSERT_EQ(texts.size(), 4u);
  std::vector<int32_t> left;
  for (const auto& p : scoreget) left.push_back(p->n);
  EXPECT_EQ(left, (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(scoreget.First()->t, 60);
}

}  // namespace

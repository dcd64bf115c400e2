#include <gtest/gtest.h>

#include "common/fresh_globals.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "startup/globals.h"
#include "test_support.h"

namespace {

using testgraphics::DrawsOf;
using testgraphics::Op;

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    DrawMax.fill(0);
    DrawMax[1] = 50000;
    DrawMax[2] = 50000;
    DrawCount.fill(0);
    Options[7] = 0;
    SkipDraw = 0;
    ResetDraw();
    testgraphics::ClearDraws();
  }
};

TEST_F(DrawTest, BudgetedDrawingTable) {
  // Each row: setting, then `calls` drawimg calls in category `cat`; how many
  // images reach the layer and what the count ends at.
  struct Case {
    const char* what;
    int32_t frameSkip, skipDraw, cat, budget, calls, drawn;
  };
  const Case cases[] = {
      {"budget 3, four calls", 0, 0, 1, 3, 4, 3},
      {"budget 0 draws nothing", 0, 0, 3, 0, 2, 0},
      {"category 4 never has a budget", 0, 0, 4, 0, 1, 0},
      {"glow category", 0, 0, 2, 2, 5, 2},
      {"frame skip on, drawn frame", 1, 0, 1, 10, 2, 2},
      {"frame skip on, undrawn frame", 1, 1, 1, 10, 2, 0},
      {"frame skip off ignores the phase", 0, 1, 1, 10, 2, 2},
  };
  for (const Case& c : cases) {
    SetUp();
    const int img = MakeTestImage(16, 8);
    Options[7] = c.frameSkip;
    SkipDraw = c.skipDraw;
    DrawMax[c.cat] = c.budget;
    for (int i = 0; i < c.calls; ++i) drawimg(img, 10, 10, 0, c.cat);
    EXPECT_EQ(static_cast<int>(DrawsOf(Op::Image).size()), c.drawn) << c.what;
    EXPECT_EQ(DrawCount[c.cat], c.drawn) << c.what;
  }
}

TEST_F(DrawTest, DrawimgPlacesTheTopLeftCorner) {
  const int img = MakeTestImage(16, 8);
  struct Case {
    float sx, sy;
    float hx, hy;
  };
  for (const Case& c : {Case{1, 1, 108, 54}, Case{2, 2, 116, 58}, Case{-2, 2, 84, 58}, Case{0.5f, 3, 104, 62}}) {
    testgraphics::ClearDraws();
    SetScale(c.sx, c.sy);
    drawimg(img, 100, 50, 0, 1);
    auto draws = DrawsOf(Op::Image);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_FLOAT_EQ(draws[0].x, c.hx) << c.sx;
    EXPECT_FLOAT_EQ(draws[0].y, c.hy) << c.sy;
    EXPECT_FLOAT_EQ(draws[0].scale_x, c.sx);
    EXPECT_FLOAT_EQ(fwf, c.sx);
    EXPECT_FLOAT_EQ(fhf, c.sy);
  }
}

TEST_F(DrawTest, UndrawnFrameTouchesNothing) {
  const int img = MakeTestImage(16, 8);
  Options[7] = 1;
  SkipDraw = 1;
  fwf = 7, fhf = 8, faf = 9, fgf = 10;
  SetScale(2, 3);
  SetAlpha(0.5f);
  Blend(kBlendShade);
  drawimg(img, 0, 0, 0, 1);
  GlowImg(img, 0, 0, 0, 0, 1.1f, 1.0f);
  GlowImage(img, 0, 0, 0, 0, 1.1f, 1.0f);
  EXPECT_TRUE(DrawsOf(Op::Image).empty());
  EXPECT_EQ(DrawCount[1], 0);
  EXPECT_EQ(DrawCount[2], 0);
  EXPECT_EQ(fwf, 7);
  EXPECT_EQ(fhf, 8);
  EXPECT_EQ(faf, 9);
  EXPECT_EQ(fgf, 10);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 2);
  EXPECT_EQ(sy, 3);
  EXPECT_EQ(GetAlpha(), 0.5f);
  EXPECT_EQ(GetBlend(), SHADEBLEND);
  EXPECT_EQ(PreBlend, kBlendShade);
}

TEST_F(DrawTest, GlowDrawsBaseThenGlowAndRestoresState) {
  const int img = MakeTestImage(16, 16, 2);
  const int glow = MakeTestImage(16, 16, 2);
  SetScale(2, 2);
  SetAlpha(0.5f);
  SetRotation(30);
  SetColor(10, 20, 30);
  Blend(kBlendShade);
  GlowImg(img, 100, 50, 1, glow, 1.1f, 0.8f);
  auto draws = DrawsOf(Op::Image);
  ASSERT_EQ(draws.size(), 2u);
  // Base pass: the caller's state.
  EXPECT_EQ(draws[0].image, img);
  EXPECT_EQ(draws[0].frame, 1);
  EXPECT_FLOAT_EQ(draws[0].x, 116);
  EXPECT_FLOAT_EQ(draws[0].y, 66);
  EXPECT_FLOAT_EQ(draws[0].scale_x, 2);
  EXPECT_FLOAT_EQ(draws[0].alpha, 0.5f);
  EXPECT_EQ(draws[0].blend, SHADEBLEND);
  // Glow pass: same centre, larger, fainter, added; colour and rotation kept.
  EXPECT_EQ(draws[1].image, glow);
  EXPECT_EQ(draws[1].frame, 1);
  EXPECT_FLOAT_EQ(draws[1].x, 116);
  EXPECT_FLOAT_EQ(draws[1].y, 66);
  EXPECT_FLOAT_EQ(draws[1].scale_x, 2.2f);
  EXPECT_FLOAT_EQ(draws[1].alpha, 0.4f);
  EXPECT_EQ(draws[1].blend, LIGHTBLEND);
  EXPECT_FLOAT_EQ(draws[1].rotation, 30);
  EXPECT_EQ(draws[1].r, 10);
  EXPECT_EQ(DrawCount[1], 1);
  EXPECT_EQ(DrawCount[2], 1);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_FLOAT_EQ(sx, 2);
  EXPECT_FLOAT_EQ(GetAlpha(), 0.5f);
  EXPECT_EQ(GetBlend(), SHADEBLEND);
  EXPECT_EQ(PreBlend, kBlendLight);
}

TEST_F(DrawTest, GlowPassesHaveTheirOwnBudgets) {
  struct Case {
    int32_t main, glow;
  };
  for (const Case& c : {Case{0, 5}, Case{5, 0}, Case{0, 0}, Case{5, 5}}) {
    SetUp();
    const int img = MakeTestImage(8, 8);
    DrawMax[1] = c.main;
    DrawMax[2] = c.glow;
    GlowImage(img, 0, 0, 0, 0, 1.5f, 1.0f);
    auto draws = DrawsOf(Op::Image);
    ASSERT_EQ(draws.size(), static_cast<size_t>((c.main > 0) + (c.glow > 0)));
    if (c.main > 0) {
      EXPECT_FLOAT_EQ(draws[0].scale_x, 1.0f);
    }
    if (c.glow > 0) {
      // Without a glow image the image itself glows.
      EXPECT_EQ(draws.back().image, img);
      EXPECT_FLOAT_EQ(draws.back().scale_x, 1.5f);
    }
    EXPECT_EQ(DrawCount[1], c.main > 0 ? 1 : 0);
    EXPECT_EQ(DrawCount[2], c.glow > 0 ? 1 : 0);
  }
}

TEST_F(DrawTest, ClearResetsCountsOneToTen) {
  for (int32_t i = 0; i < 20; ++i) DrawCount[i] = 5;
  CLS3d(0);
  EXPECT_TRUE(DrawsOf(Op::Cls).empty());
  EXPECT_EQ(DrawCount[0], 5);
  for (int32_t i = 1; i <= 10; ++i) EXPECT_EQ(DrawCount[i], 0) << i;
  for (int32_t i = 11; i < 20; ++i) EXPECT_EQ(DrawCount[i], 5) << i;
  DrawCount[3] = 2;
  CLS3d(1);
  EXPECT_EQ(DrawsOf(Op::Cls).size(), 1u);
  EXPECT_EQ(DrawCount[3], 0);
  EXPECT_EQ(fn, 11);
}

TEST_F(DrawTest, StateSetters) {
  SetSize(2, kNoScale);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 2);
  EXPECT_EQ(sy, 2);
  SetSize(2, 3);
  GetScale(sx, sy);
  EXPECT_EQ(sy, 3);
  SetSize(-1, 1);
  GetScale(sx, sy);
  EXPECT_EQ(sx, -1);

  SetAlpha(0.3f);
  SetCol(300, -5, 127.9f, kNoAlpha);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 127);
  EXPECT_FLOAT_EQ(GetAlpha(), 0.3f);
  SetCol(0, 0, 0, 75);
  EXPECT_FLOAT_EQ(GetAlpha(), 1.0f);
  SetCol(0, 0, 0, -1);
  EXPECT_FLOAT_EQ(GetAlpha(), 0.0f);

  struct BlendCase {
    int32_t code, mode;
  };
  for (const BlendCase& c : {BlendCase{0, SOLIDBLEND}, BlendCase{1, ALPHABLEND}, BlendCase{2, SHADEBLEND},
                             BlendCase{3, LIGHTBLEND}}) {
    Blend(c.code);
    EXPECT_EQ(GetBlend(), c.mode) << c.code;
    EXPECT_EQ(PreBlend, c.code);
  }
  Blend(7);
  EXPECT_EQ(PreBlend, 7);
  EXPECT_EQ(GetBlend(), LIGHTBLEND);

  SetRot(45);
  SetCol(1, 2, 3, 0.5f);
  ResetDraw();
  EXPECT_EQ(GetRotation(), 0);
  GetScale(sx, sy);
  EXPECT_EQ(sx, 1);
  EXPECT_EQ(sy, 1);
  GetColor(r, g, b);
  EXPECT_EQ(r + g + b, 765);
  EXPECT_EQ(GetAlpha(), 1);
  EXPECT_EQ(GetBlend(), ALPHABLEND);
  EXPECT_EQ(PreBlend, 1);
}

TEST_F(DrawTest, TextAlignmentUsesUnscaledMetrics) {
  SetScale(1, 1);
  const std::string txt = "abc";
  const int w = TextWidth(txt), h = TextHeight(txt);
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  struct Case {
    int32_t ax, ay;
    int dx, dy;
  };
  const Case cases[] = {{0, 0, 0, 0},      {1, 1, w / 2, h / 2}, {2, 0, w, 0}, {1, 0, w / 2, 0},
                        {0, 1, 0, h / 2},  {0, 2, 0, h},         {5, 9, 0, 0}};
  for (const Case& c : cases) {
    testgraphics::ClearDraws();
    SetScale(2, 2);
    Text(100, 100, txt, c.ax, c.ay);
    auto draws = DrawsOf(Op::Text);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_FLOAT_EQ(draws[0].x, static_cast<float>(100 - c.dx)) << c.ax << "," << c.ay;
    EXPECT_FLOAT_EQ(draws[0].y, static_cast<float>(100 - c.dy)) << c.ax << "," << c.ay;
    EXPECT_EQ(draws[0].text, txt);
  }
  // Halving truncates toward zero: an odd width moves one pixel less.
  std::string odd;
  for (std::string t : {"a", "ab", "abc", "abcd", "i", "il", "W"}) {
    if (TextWidth(t) % 2 == 1) odd = t;
  }
  if (!odd.empty()) {
    testgraphics::ClearDraws();
    Text(100, 100, odd, 1, 0);
    EXPECT_FLOAT_EQ(DrawsOf(Op::Text)[0].x, static_cast<float>(100 - (TextWidth(odd) - 1) / 2));
  }
}

}  // namespace

// The striped backdrop: its bands, their colours under both tints, and the
// blue level it leaves behind.
#include <gtest/gtest.h>

#include "common/fresh_globals.h"
#include "framework/backdrop.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "startup/globals.h"

namespace {

using Op = testgraphics::Op;

struct BackdropCase {
  const char* name;
  int height;
  StripeTint tint;
  size_t bands;
  int last_red, last_blue;
  float blue_left;
};

class StripedBackdrop : public ::testing::TestWithParam<BackdropCase> {};

TEST_P(StripedBackdrop, DrawsOneTurnedBandPerTenRowsWithRisingBlue) {
  const BackdropCase& c = GetParam();
  testbackend::Reset();
  testutil::FreshGlobals();
  Graphics(800, 600, 0, 60, 0);
  SetVirtualResolution(1280, static_cast<float>(c.height));
  JScrw = 1280;
  JScrh = c.height;
  float blue = -1.0f;
  DrawStripedBackdrop(blue, c.tint);

  const auto rects = testgraphics::DrawsOf(Op::Rect);
  ASSERT_EQ(rects.size(), c.bands);
  for (size_t k = 0; k < rects.size(); ++k) {
    EXPECT_FLOAT_EQ(rects[k].x, -100.0f);
    EXPECT_FLOAT_EQ(rects[k].y, 30.0f * k);
    EXPECT_FLOAT_EQ(rects[k].w, 1280.0f + 1800.0f);
    EXPECT_FLOAT_EQ(rects[k].h, 30.0f);
    EXPECT_FLOAT_EQ(rects[k].rotation, -45.0f);
    EXPECT_EQ(rects[k].g, 0);
  }
  // Blue 50.5, 51, 51.5 ... truncated; red mirrors it under the red tint.
  EXPECT_EQ(rects[0].b, 50);
  EXPECT_EQ(rects[1].b, 51);
  EXPECT_EQ(rects[2].b, 51);
  EXPECT_EQ(rects[0].r, c.tint == StripeTint::kRedToBlue ? 49 : 0);
  EXPECT_EQ(rects.back().r, c.last_red);
  EXPECT_EQ(rects.back().b, c.last_blue);
  EXPECT_FLOAT_EQ(blue, c.blue_left);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, StripedBackdrop,
    ::testing::Values(BackdropCase{"Blue960", 960, StripeTint::kBlue, 97, 0, 98, 98.5f},
                      BackdropCase{"Blue900", 900, StripeTint::kBlue, 91, 0, 95, 95.5f},
                      BackdropCase{"RedToBlue960", 960, StripeTint::kRedToBlue, 97, 1, 98, 98.5f}),
    [](const ::testing::TestParamInfo<BackdropCase>& info) { return std::string(info.param.name); });

}  // namespace

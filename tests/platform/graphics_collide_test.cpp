// Pixel-exact collision of placed frames under the current scale and rotation.
#include <gtest/gtest.h>

#include <vector>

#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"

namespace {

// An 8 x 8 frame, every pixel solid.
int SolidSquare() {
  return testgraphics::MakeImage(8, 8, std::vector<uint32_t>(64, 0xFFFFFFFFu));
}

// An 8 x 4 frame whose only solid column is the leftmost one.
int LeftColumn() {
  std::vector<uint32_t> px(32, 0x00FFFFFFu);
  for (int y = 0; y < 4; ++y) px[static_cast<size_t>(y) * 8] = 0xFFFFFFFFu;
  return testgraphics::MakeImage(8, 4, px);
}

TEST(GraphicsCollide, OffsetSquaresTouchWhileTheyShareAPixel) {
  testbackend::Reset();
  const int a = SolidSquare();
  const int b = SolidSquare();
  struct Case {
    int dx, dy;
    int hit;
  };
  const Case cases[] = {{0, 0, 1},  {7, 0, 1},  {8, 0, 0},  {-7, 0, 1}, {-8, 0, 0}, {0, 7, 1},
                        {0, 8, 0},  {7, 7, 1},  {7, -7, 1}, {8, 7, 0},  {-7, -8, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(ImagesCollide(a, 100, 50, 0, b, 100 + c.dx, 50 + c.dy, 0), c.hit)
        << c.dx << "," << c.dy;
    // The order of the two images does not matter.
    EXPECT_EQ(ImagesCollide(b, 100 + c.dx, 50 + c.dy, 0, a, 100, 50, 0), c.hit);
  }
}

TEST(GraphicsCollide, SolidMeansAlphaOf128OrMore) {
  testbackend::Reset();
  const int probe = SolidSquare();
  struct Case {
    uint32_t pixel;
    int hit;
  };
  const Case cases[] = {{0xFF000000u, 1}, {0x80FFFFFFu, 1}, {0x7FFFFFFFu, 0}, {0x00FFFFFFu, 0}};
  for (const Case& c : cases) {
    const int img = testgraphics::MakeImage(8, 8, std::vector<uint32_t>(64, c.pixel));
    EXPECT_EQ(ImagesCollide(img, 0, 0, 0, probe, 4, 4, 0), c.hit) << std::hex << c.pixel;
  }
}

TEST(GraphicsCollide, HandlesPlaceTheFrames) {
  testbackend::Reset();
  const int a = SolidSquare();
  const int b = SolidSquare();
  MidHandleImage(a);  // a covers 96..104 when placed at 100
  EXPECT_EQ(ImagesCollide(a, 100, 100, 0, b, 103, 100, 0), 1);
  EXPECT_EQ(ImagesCollide(a, 100, 100, 0, b, 104, 100, 0), 0);
  EXPECT_EQ(ImagesCollide(a, 100, 100, 0, b, 89, 96, 0), 1);
  EXPECT_EQ(ImagesCollide(a, 100, 100, 0, b, 88, 96, 0), 0);
}

TEST(GraphicsCollide, CurrentScaleSizesBothFrames) {
  testbackend::Reset();
  const int a = SolidSquare();
  const int b = SolidSquare();
  SetScale(2.0f, 2.0f);  // each covers 16 x 16
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 15, 0, 0), 1);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 16, 0, 0), 0);
  SetScale(0.5f, 3.0f);  // 4 wide, 24 high
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 3, 23, 0), 1);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 4, 0, 0), 0);
  SetScale(0.0f, 1.0f);  // nothing is covered
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 0, 0, 0), 0);
  float sx = 0, sy = 0;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 0.0f);  // the test changed no state
}

TEST(GraphicsCollide, MirroredScaleFlipsTheSolidColumn) {
  testbackend::Reset();
  const int column = LeftColumn();  // solid at x 0 only
  const int dot = testgraphics::MakeImage(1, 1, {0xFFFFFFFFu});
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 10, 0, 0), 1);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 11, 0, 0), 0);
  // Mirrored, the column spans 2..9 with its solid pixel at 9; the dot mirrors too
  // and, placed at x, covers pixel x - 1.
  SetScale(-1.0f, 1.0f);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 10, 0, 0), 1);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 11, 0, 0), 0);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 9, 3, 0), 0);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 3, 0, 0), 0);
  // At (-2, 2) the solid column covers pixels 8 and 9, the dot x - 2 and x - 1.
  SetScale(-2.0f, 2.0f);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 10, 0, 0), 1);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 9, 6, 0), 1);
  EXPECT_EQ(ImagesCollide(column, 10, 0, 0, dot, 8, 0, 0), 0);
}

TEST(GraphicsCollide, RotationTurnsFramesAboutTheirHandles) {
  testbackend::Reset();
  const int bar = testgraphics::MakeImage(8, 1, std::vector<uint32_t>(8, 0xFFFFFFFFu));
  const int dot = testgraphics::MakeImage(1, 1, {0xFFFFFFFFu});
  // Unrotated the bar runs right from (20, 20); turned 90 degrees it runs down.
  EXPECT_EQ(ImagesCollide(bar, 20, 20, 0, dot, 26, 20, 0), 1);
  SetRotation(90.0f);
  EXPECT_EQ(ImagesCollide(bar, 20, 20, 0, dot, 26, 20, 0), 0);
  // The dot turns too: placed at (20, 26) it covers pixel (19, 26), as does the bar.
  EXPECT_EQ(ImagesCollide(bar, 20, 20, 0, dot, 20, 26, 0), 1);
}

TEST(GraphicsCollide, NoImageAndFramesOutsideNeverCollide) {
  testbackend::Reset();
  const int a = SolidSquare();
  const int two = testgraphics::MakeImage(8, 16, std::vector<uint32_t>(128, 0xFFFFFFFFu), 8, 8,
                                          0, 2);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, two, 0, 0, 1), 1);
  EXPECT_EQ(ImagesCollide(0, 0, 0, 0, a, 0, 0, 0), 0);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, two, 0, 0, 2), 0);
  EXPECT_EQ(ImagesCollide(a, 0, 0, -1, two, 0, 0, 0), 0);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, 999, 0, 0, 0), 0);
}

}  // namespace

// What the real backend keeps on the CPU once pictures live in textures: only
// what collision tests read, and collisions, grabs and drawing stay the same.
#include <gtest/gtest.h>

#include <vector>

#include "platform/core/gfx_core.h"
#include "platform/graphics.h"
#include "platform/real/display_internal.h"

namespace {

const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// An 8 x 8 frame solid in its left half, and a frame with one solid texel at (6, 1).
int MakeTwoFrames(int flags) {
  const int pm = CreatePixmap(16, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) WritePixel(pm, x, y, 0xFFFF0000u);
  WritePixel(pm, 8 + 6, 1, 0xFF00FF00u);
  WritePixel(pm, 8 + 2, 5, 0x7F00FF00u);  // below the collision threshold
  const int img = LoadAnimImageFromPixmap(pm, 8, 8, 0, 2, flags);
  FreePixmap(pm);
  return img;
}

uint32_t Pixel(int pixmap, int x, int y) { return ReadPixel(pixmap, x, y) & 0xFFFFFFu; }

class RealMemory : public ::testing::Test {
 protected:
  // A window of its own and nothing another case loaded.
  void SetUp() override {
    DisplayStartOver();
    ASSERT_EQ(Graphics(640, 480, 0, 60, 0), 1);
    SetClsColor(0, 0, 0);
    Cls();
  }
  void TearDown() override {
    EndGraphics();
    DisplayStartOver();
  }
};

TEST_F(RealMemory, DrawnImagesDropTheirPixelsButCollideAsBefore) {
  const int img = MakeTwoFrames(MASKEDIMAGE);
  const int dot = MakeTwoFrames(MASKEDIMAGE);
  ASSERT_NE(img, 0);
  struct Case {
    int x1, y1, frame1, x2, y2, frame2;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 1},   // the dot lies right of the solid half
      {0, 0, 0, -4, 0, 1},  // moved onto it
      {0, 0, 0, -3, 0, 1},
      {0, 0, 1, 0, 0, 1},   // dot on dot
      {0, 0, 1, -4, 4, 1},  // the faint texel does not count
      {0, 0, 0, 3, 0, 0},
      {0, 0, 0, 4, 0, 0},
  };
  std::vector<int> before;
  for (const Case& c : cases)
    before.push_back(ImagesCollide(img, c.x1, c.y1, c.frame1, dot, c.x2, c.y2, c.frame2));
  EXPECT_EQ(before, (std::vector<int>{0, 1, 1, 1, 0, 1, 0}));

  DrawImage(img, 10, 10, 0);
  DrawImage(dot, 30, 10, 1);
  Flip(0);
  EXPECT_TRUE(gfxcore::Image(img)->pixels.empty());
  EXPECT_TRUE(gfxcore::Image(dot)->pixels.empty());
  std::vector<int> after;
  for (const Case& c : cases)
    after.push_back(ImagesCollide(img, c.x1, c.y1, c.frame1, dot, c.x2, c.y2, c.frame2));
  EXPECT_EQ(after, before);

  // Still drawn from the texture.
  Cls();
  DrawImage(img, 10, 10, 0);
  const int grab = GrabPixmap(0, 0, 40, 40);
  EXPECT_EQ(Pixel(grab, 11, 12), 0xFF0000u);
  EXPECT_EQ(Pixel(grab, 16, 12), 0u);
  FreeImage(img);
  FreeImage(dot);
}

TEST_F(RealMemory, GrabbedImagesKeepNoCopyOnceDrawnAndTakeLaterGrabs) {
  const int img = CreateImage(8, 8, 1, 0);
  SetBlend(SOLIDBLEND);
  SetColor(255, 0, 0);
  DrawRect(0, 0, 8, 8);
  GrabImage(img, 0, 0, 0);
  Cls();
  SetColor(255, 255, 255);
  DrawImage(img, 20, 0);
  Flip(0);
  EXPECT_TRUE(gfxcore::Image(img)->pixels.empty());
  // A second grab, as the pause menu makes each time it opens.
  SetColor(0, 255, 0);
  DrawRect(0, 0, 8, 8);
  GrabImage(img, 0, 0, 0);
  Cls();
  SetColor(255, 255, 255);
  DrawImage(img, 20, 0);
  const int grab = GrabPixmap(0, 0, 40, 10);
  EXPECT_EQ(Pixel(grab, 24, 4), 0x00FF00u);
  EXPECT_EQ(ImagesCollide(img, 0, 0, 0, img, 7, 7, 0), 1);
  FreeImage(img);
}

TEST_F(RealMemory, GrabIntoADrawnLoadedImageReplacesOnlyThatFrame) {
  const int img = MakeTwoFrames(0);
  DrawImage(img, 0, 0, 0);
  Flip(0);
  ASSERT_TRUE(gfxcore::Image(img)->pixels.empty());
  SetBlend(SOLIDBLEND);
  SetColor(0, 0, 255);
  DrawRect(100, 100, 8, 8);
  GrabImage(img, 100, 100, 1);
  Cls();
  SetColor(255, 255, 255);
  DrawImage(img, 0, 0, 0);
  DrawImage(img, 20, 0, 1);
  const int grab = GrabPixmap(0, 0, 40, 10);
  EXPECT_EQ(Pixel(grab, 1, 1), 0xFF0000u);   // frame 0 as loaded
  EXPECT_EQ(Pixel(grab, 26, 6), 0x0000FFu);  // frame 1 as grabbed
  // The grabbed frame is solid everywhere for collisions too.
  EXPECT_EQ(ImagesCollide(img, 0, 0, 1, img, 7, 7, 1), 1);
  FreeImage(img);
}

TEST_F(RealMemory, FontAtlasesHoldOneChannelAndNothingOnceDrawn) {
  const int font = LoadImageFont(kFont, 40);
  ASSERT_NE(font, 0);
  const gfxcore::ImageRec& atlas = *gfxcore::Font(font)->atlas;
  EXPECT_TRUE(atlas.pixels.empty());
  EXPECT_EQ(atlas.coverage.size(), static_cast<size_t>(atlas.width) * atlas.height);
  SetImageFont(font);
  SetBlend(ALPHABLEND);
  SetColor(255, 255, 0);
  DrawText("H", 10, 10);
  EXPECT_TRUE(atlas.coverage.empty());
  // The glyph shows in the drawing colour.
  const int grab = GrabPixmap(0, 0, 80, 80);
  int yellow = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x) yellow += Pixel(grab, x, y) == 0xFFFF00u;
  EXPECT_GT(yellow, 40);
  FreeImageFont(font);
}

}  // namespace

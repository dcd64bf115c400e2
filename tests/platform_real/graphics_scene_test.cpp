// Draws known scenes through the real display and OpenGL renderer, grabs the
// back buffer, writes it as PNG, reads the file back and checks its pixels.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "platform/real/display_internal.h"

namespace {

const char* kBoldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

struct Rgb {
  int r, g, b;
};

Rgb At(int pixmap, int x, int y) {
  const uint32_t p = ReadPixel(pixmap, x, y);
  return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255),
          static_cast<int>(p & 255)};
}

void ExpectRgb(int pixmap, int x, int y, Rgb want, int tolerance = 2) {
  const Rgb got = At(pixmap, x, y);
  EXPECT_NEAR(got.r, want.r, tolerance) << "red at " << x << "," << y;
  EXPECT_NEAR(got.g, want.g, tolerance) << "green at " << x << "," << y;
  EXPECT_NEAR(got.b, want.b, tolerance) << "blue at " << x << "," << y;
}

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("DUSKMOOR_BUILD_DIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

// Grabs the whole 640 x 480 screen, writes it as PNG and reads that file back.
int GrabThroughPNG(const std::string& name) {
  const int grab = GrabPixmap(0, 0, 640, 480);
  EXPECT_NE(grab, 0);
  const std::string path = TempPath(name);
  EXPECT_EQ(SavePixmapPNG(grab, path, 9), 1);
  const int back = LoadPixmapPNG(path);
  EXPECT_NE(back, 0);
  EXPECT_EQ(PixmapWidth(back), 640);
  EXPECT_EQ(PixmapHeight(back), 480);
  return back;
}

// A 4 x 4 picture: top row red, second green, third blue, bottom black.
int MakeStripes(int flags) {
  const int pm = CreatePixmap(4, 4);
  const uint32_t rows[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF000000u};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) WritePixel(pm, x, y, rows[y]);
  const int img = LoadImageFromPixmap(pm, flags);
  FreePixmap(pm);
  return img;
}

// A display as at start: no window, no images, no fonts. SDL's video stays
// up between cases, as it does between the displays of one run of the game:
// connecting to the X server again for every case now and then fails on a
// busy machine.
class RealDisplay : public ::testing::Test {
 protected:
  void SetUp() override { DisplayStartOver(); }
  void TearDown() override {
    EndGraphics();
    DisplayStartOver();
  }
};

class RealScene : public RealDisplay {
 protected:
  void SetUp() override {
    RealDisplay::SetUp();
    SetGraphicsDriver(GL2DDriver(), 2);
    ASSERT_EQ(Graphics(640, 480, 0, 60, 0), 1);
    ASSERT_NE(DisplayWindow(), nullptr);
    SetClsColor(0, 0, 64);
    Cls();
  }
};

TEST_F(RealScene, ColoursAndBlendModesReachTheSavedPicture) {
  SetBlend(SOLIDBLEND);
  SetColor(255, 0, 0);
  DrawRect(10, 10, 50, 50);  // red
  SetBlend(ALPHABLEND);
  SetColor(255, 255, 255);
  SetAlpha(0.5f);
  DrawRect(40, 10, 50, 50);  // half white over red and over the clear colour
  SetAlpha(1.0f);
  SetBlend(SOLIDBLEND);
  SetColor(255, 0, 0);
  DrawRect(100, 100, 40, 40);
  SetBlend(LIGHTBLEND);
  SetColor(0, 255, 0);
  DrawRect(100, 100, 40, 40);  // green added onto red: yellow
  SetBlend(SOLIDBLEND);
  SetColor(200, 200, 200);
  DrawRect(200, 100, 40, 40);
  SetBlend(SHADEBLEND);
  SetColor(128, 64, 255);
  SetAlpha(0.3f);  // shade ignores alpha: the colour multiplies what is beneath
  DrawRect(200, 100, 40, 40);
  SetAlpha(1.0f);
  SetBlend(ALPHABLEND);
  SetColor(0, 255, 255);
  SetAlpha(0.0f);
  DrawRect(300, 100, 40, 40);  // invisible
  const int pic = GrabThroughPNG("graphics_scene_blend.png");
  ExpectRgb(pic, 600, 400, {0, 0, 64});
  ExpectRgb(pic, 20, 30, {255, 0, 0});
  ExpectRgb(pic, 50, 30, {255, 128, 128}, 3);
  ExpectRgb(pic, 80, 30, {128, 128, 160}, 3);
  ExpectRgb(pic, 120, 120, {255, 255, 0});
  ExpectRgb(pic, 220, 120, {100, 50, 200}, 3);
  ExpectRgb(pic, 320, 120, {0, 0, 64});
}

TEST_F(RealScene, RotatedRectangleTurnsAboutItsCorner) {
  SetBlend(SOLIDBLEND);
  SetColor(255, 255, 0);
  SetRotation(45.0f);
  DrawRect(300, 100, 60, 20);
  SetRotation(0.0f);
  const int pic = GrabThroughPNG("graphics_scene_rotated.png");
  // (30, 10) along and across the rectangle lands at (314.1, 128.3).
  ExpectRgb(pic, 314, 128, {255, 255, 0});
  // Far end of its long side: (55, 5) lands near (335.4, 142.4).
  ExpectRgb(pic, 335, 142, {255, 255, 0});
  // Where the unrotated rectangle would be, nothing was drawn.
  ExpectRgb(pic, 350, 105, {0, 0, 64});
  ExpectRgb(pic, 330, 112, {0, 0, 64});
}

TEST_F(RealScene, ImagesDrawScaledMirroredAndRotated) {
  const int plain = MakeStripes(0);
  ASSERT_NE(plain, 0);
  SetBlend(ALPHABLEND);
  SetScale(4.0f, 4.0f);
  DrawImage(plain, 20, 20);  // handle (0, 0): covers 20..36
  SetScale(-4.0f, 4.0f);
  DrawImage(plain, 100, 20);  // mirrored: covers 84..100
  SetScale(1.0f, 1.0f);
  SetRotation(90.0f);
  DrawImage(plain, 200, 20);  // rows become columns: the top row lies at x 199
  SetRotation(0.0f);
  const int pic = GrabThroughPNG("graphics_scene_images.png");
  ExpectRgb(pic, 22, 22, {255, 0, 0});
  ExpectRgb(pic, 30, 26, {0, 255, 0});
  ExpectRgb(pic, 34, 30, {0, 0, 255});
  ExpectRgb(pic, 26, 34, {0, 0, 0});
  ExpectRgb(pic, 38, 22, {0, 0, 64});
  ExpectRgb(pic, 90, 22, {255, 0, 0});
  ExpectRgb(pic, 102, 22, {0, 0, 64});
  ExpectRgb(pic, 199, 21, {255, 0, 0});
  ExpectRgb(pic, 196, 21, {0, 0, 0});
}

TEST_F(RealScene, LinesCoverBothEndsAndMaskedPixelsStayClear) {
  SetBlend(SOLIDBLEND);
  SetColor(255, 255, 255);
  DrawLine(10, 400, 20, 400);
  DrawLine(50, 380, 50, 390);
  // Black in a picture without alpha is masked away; the white half stays.
  const std::string path = TempPath("graphics_scene_rgb.png");
  png_image rgb{};
  rgb.version = PNG_IMAGE_VERSION;
  rgb.width = 2;
  rgb.height = 1;
  rgb.format = PNG_FORMAT_RGB;
  const uint8_t px[6] = {0, 0, 0, 255, 255, 255};
  ASSERT_TRUE(png_image_write_to_file(&rgb, path.c_str(), 0, px, 0, nullptr));
  const int masked = LoadImage(path, MASKEDIMAGE);
  const int plain = LoadImage(path, 0);
  ASSERT_NE(masked, 0);
  SetScale(8, 8);
  SetBlend(MASKBLEND);
  DrawImage(masked, 400, 300);
  SetBlend(ALPHABLEND);
  DrawImage(masked, 400, 340);
  DrawImage(plain, 400, 380);
  SetScale(1, 1);
  const int pic = GrabThroughPNG("graphics_scene_lines.png");
  ExpectRgb(pic, 10, 400, {255, 255, 255});
  ExpectRgb(pic, 20, 400, {255, 255, 255});
  ExpectRgb(pic, 21, 400, {0, 0, 64});
  ExpectRgb(pic, 15, 401, {0, 0, 64});
  ExpectRgb(pic, 50, 390, {255, 255, 255});
  ExpectRgb(pic, 50, 391, {0, 0, 64});
  for (int y : {304, 344}) {
    ExpectRgb(pic, 404, y, {0, 0, 64});
    ExpectRgb(pic, 412, y, {255, 255, 255});
  }
  ExpectRgb(pic, 404, 384, {0, 0, 0});
  ExpectRgb(pic, 412, 384, {255, 255, 255});
}

// Every screen pixel whose centre maps into a visible texel shows that texel,
// every other pixel keeps the clear colour: sprites with clear margins under
// any mirror, scale and turn.
TEST_F(RealScene, SparseSpritesLandTexelForTexel) {
  const uint32_t clear = 0x00000000u;
  std::vector<uint32_t> px(7 * 5, clear);
  px[1 * 7 + 1] = px[1 * 7 + 2] = 0xFFFF0000u;
  px[3 * 7 + 5] = 0xFF00FF00u;
  px[2 * 7 + 3] = 0xFF0000FFu;
  const int pm = CreatePixmap(7, 5);
  for (int i = 0; i < 35; ++i) WritePixel(pm, i % 7, i / 7, px[i]);
  AutoMidHandle(true);
  const int img = LoadImageFromPixmap(pm, 0);
  AutoMidHandle(false);
  struct Case {
    float x, y, sx, sy, rot;
  };
  const Case cases[] = {{60, 60, 4, 4, 0},    {160, 60, -4, 4, 0},  {260, 60, 4, -3, 0},
                        {360, 60, 3, 3, 90},  {460, 60, 3, 3, 180}, {560, 60, 3, 3, -90},
                        {60, 200, 5, 5, 33},  {200, 200, -4, 5, 210}, {340, 200, 1, 1, 0},
                        {480, 200, 6, 2, 300}};
  SetBlend(ALPHABLEND);
  for (const Case& c : cases) {
    SetScale(c.sx, c.sy);
    SetRotation(c.rot);
    DrawImage(img, c.x, c.y);
  }
  SetScale(1, 1);
  SetRotation(0);
  const int pic = GrabThroughPNG("graphics_scene_sparse.png");
  int checked = 0, lit = 0;
  for (const Case& c : cases) {
    const float rad = c.rot * 3.14159265f / 180.0f;
    const float cr = std::cos(rad), sr = std::sin(rad);
    for (int py = static_cast<int>(c.y) - 40; py < c.y + 40; ++py)
      for (int pxl = static_cast<int>(c.x) - 40; pxl < c.x + 40; ++pxl) {
        const float dx = pxl + 0.5f - c.x, dy = py + 0.5f - c.y;
        const float u = (cr * dx + sr * dy) / c.sx + 3.5f;
        const float v = (-sr * dx + cr * dy) / c.sy + 2.5f;
        // Centres on a texel edge may go either way.
        if (std::fabs(u - std::round(u)) < 0.02f || std::fabs(v - std::round(v)) < 0.02f) continue;
        uint32_t want = 0xFF000040u;
        if (u >= 0 && v >= 0 && u < 7 && v < 5) {
          const uint32_t t = px[static_cast<int>(v) * 7 + static_cast<int>(u)];
          if (t >> 24) want = t;
        }
        ++checked;
        lit += want != 0xFF000040u;
        ASSERT_EQ(ReadPixel(pic, pxl, py), want)
            << "pixel " << pxl << "," << py << " of the sprite at " << c.x << "," << c.y;
      }
  }
  EXPECT_GT(lit, 300);
  EXPECT_GT(checked, 40000);
}

TEST_F(RealScene, FreedImagesDrawNothingAndTheirReplacementsDraw) {
  SetBlend(SOLIDBLEND);
  SetScale(4, 4);
  int handle = MakeStripes(0);
  DrawImage(handle, 10, 10);  // queued with the image's texture
  for (int reload = 0; reload < 20; ++reload) {
    const int fresh = MakeStripes(0);
    FreeImage(handle);
    handle = fresh;
  }
  const int gone = MakeStripes(0);
  FreeImage(gone);
  DrawImage(gone, 100, 10);
  DrawImage(0, 150, 10);
  DrawImage(handle, 200, 10, 1);  // a frame the image does not have
  DrawImage(handle, 250, 10);
  SetScale(1, 1);
  const int pic = GrabThroughPNG("graphics_scene_freed.png");
  ExpectRgb(pic, 12, 12, {255, 0, 0});   // drawn before its image was freed
  ExpectRgb(pic, 102, 12, {0, 0, 64});
  ExpectRgb(pic, 152, 12, {0, 0, 64});
  ExpectRgb(pic, 202, 12, {0, 0, 64});
  ExpectRgb(pic, 252, 12, {255, 0, 0});
  ExpectRgb(pic, 252, 16, {0, 255, 0});
}

TEST_F(RealScene, TextAppearsInsideItsMeasuredBox) {
  const int font = LoadImageFont(kBoldFont, 32, SMOOTHFONT);
  ASSERT_NE(font, 0);
  SetImageFont(font);
  SetBlend(ALPHABLEND);
  SetColor(255, 255, 255);
  const std::string text = "HELLO";
  const int w = TextWidth(text);
  const int h = TextHeight(text);
  ASSERT_GT(w, 60);
  ASSERT_GE(h, 32);
  DrawText(text, 50, 200);
  const int pic = GrabThroughPNG("graphics_scene_text.png");
  int inside = 0, outside = 0;
  for (int y = 150; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      const bool lit = At(pic, x, y).r > 128;
      const bool in_box = x >= 50 && x < 50 + w && y >= 200 && y < 200 + h;
      (in_box ? inside : outside) += lit ? 1 : 0;
    }
  EXPECT_GT(inside, 200);
  EXPECT_EQ(outside, 0);
}

TEST_F(RealScene, ImagesAndFontsSurviveADisplaySwitch) {
  const int img = MakeStripes(0);
  const int font = LoadImageFont(kBoldFont, 20, SMOOTHFONT);
  SetImageFont(font);
  SetColor(255, 255, 255);
  DrawText("warm", 0, 0);  // the font's texture now exists in the context
  DrawImage(img, 0, 0);
  Flip(0);
  EndGraphics();
  EXPECT_EQ(DisplayWindow(), nullptr);
  ASSERT_EQ(Graphics(800, 600, 0, 60, 0), 1);
  EXPECT_EQ(GraphicsWidth(), 800);
  SetImageFont(font);
  SetClsColor(0, 0, 64);
  Cls();
  SetBlend(ALPHABLEND);
  SetScale(4.0f, 4.0f);
  DrawImage(img, 20, 20);
  SetScale(1.0f, 1.0f);
  DrawText("XXXX", 300, 300);
  const int grab = GrabPixmap(0, 0, 800, 600);
  ExpectRgb(grab, 22, 22, {255, 0, 0});
  int lit = 0;
  for (int y = 300; y < 300 + TextHeight("X"); ++y)
    for (int x = 300; x < 300 + TextWidth("XXXX"); ++x) lit += At(grab, x, y).r > 128;
  EXPECT_GT(lit, 50);
}

TEST_F(RealScene, VirtualResolutionScalesDrawingAndThePointerMapping) {
  SetVirtualResolution(320, 240);
  Cls();
  SetBlend(SOLIDBLEND);
  SetColor(255, 0, 0);
  DrawRect(10, 10, 10, 10);  // 20..40 in display pixels
  const int grab = GrabPixmap(0, 0, 640, 480);
  ExpectRgb(grab, 21, 21, {255, 0, 0});
  ExpectRgb(grab, 38, 38, {255, 0, 0});
  ExpectRgb(grab, 42, 42, {0, 0, 64});
  float vx = 0, vy = 0;
  DisplayWindowToVirtual(100, 60, vx, vy);
  EXPECT_FLOAT_EQ(vx, 50.0f);
  EXPECT_FLOAT_EQ(vy, 30.0f);
  DisplayWindowToVirtual(-20, 700, vx, vy);  // outside the screen maps too
  EXPECT_FLOAT_EQ(vx, -10.0f);
  EXPECT_FLOAT_EQ(vy, 350.0f);
}

TEST_F(RealScene, GrabbedImageDrawsWhatWasOnScreen) {
  SetBlend(SOLIDBLEND);
  SetColor(0, 255, 0);
  DrawRect(0, 0, 8, 8);
  const int img = CreateImage(16, 16, 1, 0);
  ASSERT_NE(img, 0);
  EXPECT_NE(ImageFlags(img) & DYNAMICIMAGE, 0);
  GrabImage(img, 0, 0, 0);
  Cls();
  SetColor(255, 255, 255);
  DrawImage(img, 100, 100);
  const int grab = GrabPixmap(0, 0, 640, 480);
  ExpectRgb(grab, 103, 103, {0, 255, 0});
  ExpectRgb(grab, 112, 112, {0, 0, 64});
}

TEST_F(RealDisplay, ModeListComesFromTheMainDisplay) {
  const int n = CountGraphicsModes();
  ASSERT_GT(n, 0);
  EXPECT_LE(n, 2499);
  int w = 0, h = 0, d = 0, hz = 0;
  GetGraphicsMode(0, w, h, d, hz);
  EXPECT_GT(w, 0);
  EXPECT_GE(d, 16);
  EXPECT_TRUE(GraphicsModeExists(w, h, 0, 0));
  EXPECT_TRUE(GraphicsModeExists(w, h, d, 0));
  EXPECT_FALSE(GraphicsModeExists(w + 1, h, 0, 0));
}

TEST_F(RealDisplay, FullScreenRequestForAMissingModeFallsBackToAWindow) {
  // No display lists a 1234 x 567 mode; the request still gets a display.
  ASSERT_EQ(Graphics(1234, 567, 32, 60, 0), 1);
  EXPECT_EQ(GraphicsDepth(), 0);
  EXPECT_EQ(GraphicsWidth(), 1234);
  EXPECT_EQ(GraphicsHeight(), 567);
  EndGraphics();
}

}  // namespace

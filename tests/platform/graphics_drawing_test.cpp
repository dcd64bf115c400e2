// Drawing state, what the drawing calls record, their geometry, fonts and the
// scripted display.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/core/gfx_core.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"

namespace {

using testgraphics::Op;

const char* kBoldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

TEST(GraphicsDrawing, BlendModesTwoToFiveAndMaskAreKeptOthersIgnored) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  EXPECT_EQ(GetBlend(), SOLIDBLEND);
  struct Case {
    int set, expect;
  };
  const Case cases[] = {{ALPHABLEND, 3}, {0, 3},          {LIGHTBLEND, 4}, {6, 4},
                        {SHADEBLEND, 5}, {SOLIDBLEND, 2}, {-1, 2},         {MASKBLEND, 1}};
  for (const Case& c : cases) {
    SetBlend(c.set);
    EXPECT_EQ(GetBlend(), c.expect) << c.set;
    DrawRect(0, 0, 1, 1);
    EXPECT_EQ(testgraphics::Draws().back().blend, c.expect);
  }
  EXPECT_EQ(SOLIDBLEND, 2);
  EXPECT_EQ(ALPHABLEND, 3);
  EXPECT_EQ(LIGHTBLEND, 4);
  EXPECT_EQ(SHADEBLEND, 5);
}

TEST(GraphicsDrawing, EveryDrawRecordsTheFullState) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  const int img = testgraphics::MakeImage(16, 32, std::vector<uint32_t>(16 * 32, 0xFFFFFFFFu),
                                          16, 16, 0, 2);
  const int font = LoadImageFont(kBoldFont, 20);
  ASSERT_NE(font, 0);
  SetImageFont(font);
  SetColor(10, 20, 30);
  SetAlpha(0.25f);
  SetScale(-2.0f, 3.0f);
  SetRotation(45.0f);
  SetBlend(LIGHTBLEND);
  Cls();
  DrawImage(img, 5.5f, 6.5f, 1);
  DrawRect(1, 2, 30, 40);
  DrawLine(3, 4, 50, 60);
  DrawText("Hi", 7, 8);
  Flip(0);
  DrawRect(0, 0, 1, 1);
  const auto& d = testgraphics::Draws();
  ASSERT_EQ(d.size(), 6u);
  const Op ops[] = {Op::Cls, Op::Image, Op::Rect, Op::Line, Op::Text, Op::Rect};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(d[i].op, ops[i]);
    EXPECT_EQ(d[i].r, 10);
    EXPECT_EQ(d[i].g, 20);
    EXPECT_EQ(d[i].b, 30);
    EXPECT_FLOAT_EQ(d[i].alpha, 0.25f);
    EXPECT_FLOAT_EQ(d[i].scale_x, -2.0f);
    EXPECT_FLOAT_EQ(d[i].scale_y, 3.0f);
    EXPECT_FLOAT_EQ(d[i].rotation, 45.0f);
    EXPECT_EQ(d[i].blend, LIGHTBLEND);
    EXPECT_EQ(d[i].font, font);
    EXPECT_EQ(d[i].flip, 0);
  }
  EXPECT_EQ(d[5].flip, 1);
  EXPECT_EQ(d[1].image, img);
  EXPECT_EQ(d[1].frame, 1);
  EXPECT_FLOAT_EQ(d[1].x, 5.5f);
  EXPECT_FLOAT_EQ(d[1].y, 6.5f);
  EXPECT_FLOAT_EQ(d[1].w, 16.0f);
  EXPECT_FLOAT_EQ(d[1].h, 16.0f);
  EXPECT_FLOAT_EQ(d[2].w, 30.0f);
  EXPECT_FLOAT_EQ(d[2].h, 40.0f);
  EXPECT_FLOAT_EQ(d[3].w, 50.0f);  // the line's end point
  EXPECT_FLOAT_EQ(d[3].h, 60.0f);
  EXPECT_EQ(d[4].text, "Hi");
  EXPECT_EQ(testgraphics::DrawsOf(Op::Rect).size(), 2u);
  testgraphics::ClearDraws();
  EXPECT_TRUE(testgraphics::Draws().empty());
}

TEST(GraphicsDrawing, LongRunsKeepTheirMostRecentDraws) {
  testbackend::Reset();
  const int total = static_cast<int>(testgraphics::kKeptDraws) + 10;
  for (int i = 0; i < total; ++i) DrawRect(static_cast<float>(i), 0, 1, 1);
  const auto& d = testgraphics::Draws();
  ASSERT_LE(d.size(), testgraphics::kKeptDraws);
  ASSERT_GE(d.size(), testgraphics::kKeptDraws / 2);
  EXPECT_FLOAT_EQ(d.back().x, static_cast<float>(total - 1));
  EXPECT_FLOAT_EQ(d.front().x, static_cast<float>(total - static_cast<int>(d.size())));
}

TEST(GraphicsDrawing, LongRunsCanKeepOnlyTheDrawsTheyLookAtAndCountTheRest) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  const int img = testgraphics::MakeImage(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFFu));
  auto drawEach = [&] {
    Cls();
    DrawImage(img, 1, 1, 0);
    DrawRect(0, 0, 2, 2);
    DrawRect(1, 1, 2, 2);
    DrawLine(0, 0, 3, 3);
    DrawText("kept", 5, 5);
    GrabImage(img, 0, 0, 0);
    FreePixmap(GrabPixmap(0, 0, 2, 2));
  };
  testgraphics::KeepOnly({Op::Text, Op::Line});
  drawEach();
  const auto& d = testgraphics::Draws();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].op, Op::Line);
  EXPECT_EQ(d[1].op, Op::Text);
  EXPECT_EQ(d[1].text, "kept");
  struct Count {
    Op op;
    int64_t n;
  };
  for (const Count& c : {Count{Op::Cls, 1}, Count{Op::Image, 1}, Count{Op::Rect, 2}, Count{Op::Line, 1},
                         Count{Op::Text, 1}, Count{Op::GrabImage, 1}, Count{Op::GrabPixmap, 1}})
    EXPECT_EQ(testgraphics::DrawCount(c.op), c.n) << static_cast<int>(c.op);
  // An empty list keeps everything again; a reset does too, and zeroes the counts.
  testgraphics::KeepOnly({});
  testgraphics::ClearDraws();
  drawEach();
  EXPECT_EQ(testgraphics::Draws().size(), 8u);
  EXPECT_EQ(testgraphics::DrawCount(Op::Rect), 4);
  testgraphics::KeepOnly({Op::Cls});
  testbackend::Reset();
  EXPECT_EQ(testgraphics::DrawCount(Op::Rect), 0);
  ASSERT_EQ(Graphics(640, 480), 1);
  DrawRect(0, 0, 1, 1);
  EXPECT_EQ(testgraphics::Draws().size(), 1u);
}

TEST(GraphicsDrawing, ADrawCostMovesTheClockOnAtEachSubmit) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  testgraphics::SetDrawCost(400);
  testbackend::SetClock(100);
  struct Case {
    int draws;
    int32_t clock;  // after the submit; what is short of a millisecond carries over
  };
  for (const Case& c : {Case{5, 102}, Case{3, 103}, Case{2, 104}, Case{0, 104}, Case{1, 104}}) {
    for (int i = 0; i < c.draws; ++i) DrawRect(0, 0, 1, 1);
    SubmitDraws();
    EXPECT_EQ(testbackend::Clock(), c.clock) << c.draws;
  }
  // Draws that are only counted cost the same.
  testgraphics::KeepOnly({Op::Text});
  for (int i = 0; i < 10; ++i) DrawLine(0, 0, 1, 1);
  SubmitDraws();
  EXPECT_EQ(testbackend::Clock(), 108);
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  for (int i = 0; i < 100; ++i) DrawRect(0, 0, 1, 1);
  SubmitDraws();
  EXPECT_EQ(testbackend::Clock(), 0);
}

TEST(GraphicsDrawing, MissingImagesAndFramesDrawNothing) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  const int img = testgraphics::MakeImage(8, 16, std::vector<uint32_t>(128, 0xFFFFFFFFu), 8, 8,
                                          0, 2);
  DrawImage(0, 1, 1, 0);
  DrawImage(img, 1, 1, 2);
  DrawImage(img, 1, 1, -1);
  DrawImage(img + 100, 1, 1, 0);
  EXPECT_TRUE(testgraphics::Draws().empty());
  DrawImage(img, 1, 1, 1);
  EXPECT_EQ(testgraphics::Draws().size(), 1u);
}

struct Corners {
  float x[4], y[4];
};

Corners Place(float x, float y, float hx, float hy, float w, float h) {
  Corners c;
  gfxcore::PlaceQuad(gfxcore::State(), x, y, hx, hy, w, h, c.x, c.y);
  return c;
}

void ExpectCorners(const Corners& c, std::initializer_list<float> want) {
  const float* w = want.begin();
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(c.x[i], w[2 * i], 1e-3) << "corner " << i;
    EXPECT_NEAR(c.y[i], w[2 * i + 1], 1e-3) << "corner " << i;
  }
}

TEST(GraphicsDrawing, ImagesScaleAndTurnAboutTheirHandle) {
  testbackend::Reset();
  // A 16 x 8 frame handled at its centre (8, 4), drawn at (116, 58).
  ExpectCorners(Place(116, 58, 8, 4, 16, 8), {108, 54, 124, 54, 124, 62, 108, 62});
  SetScale(2, 2);
  ExpectCorners(Place(116, 58, 8, 4, 16, 8), {100, 50, 132, 50, 132, 66, 100, 66});
  SetScale(-2, 2);  // mirrored: the left edge of the frame lands on the right
  ExpectCorners(Place(84, 58, 8, 4, 16, 8), {100, 50, 68, 50, 68, 66, 100, 66});
  SetScale(1, 1);
  SetRotation(90);  // clockwise on screen
  ExpectCorners(Place(100, 100, 8, 4, 16, 8), {104, 92, 104, 108, 96, 108, 96, 92});
  SetRotation(180);
  SetScale(1, 3);
  ExpectCorners(Place(0, 0, 0, 0, 2, 1), {0, 0, -2, 0, -2, -3, 0, -3});
}

TEST(GraphicsDrawing, RectanglesScaleAndTurnAboutTheirTopLeft) {
  testbackend::Reset();
  ExpectCorners(Place(10, 20, 0, 0, 30, 10), {10, 20, 40, 20, 40, 30, 10, 30});
  SetScale(2, 0.5f);
  ExpectCorners(Place(10, 20, 0, 0, 30, 10), {10, 20, 70, 20, 70, 25, 10, 25});
  SetScale(1, 1);
  SetRotation(-45);  // the speed test's bands rise to the upper right
  const Corners c = Place(-100, 0, 0, 0, 100, 30);
  const float r = std::sqrt(0.5f);
  ExpectCorners(c, {-100, 0, -100 + 100 * r, -100 * r, -100 + 130 * r, -100 * r + 30 * r,
                    -100 + 30 * r, 30 * r});
}

TEST(GraphicsDrawing, StateSettersReadBack) {
  testbackend::Reset();
  SetColor(300, -4, 128);
  int r = 0, g = 0, b = 0;
  GetColor(r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 128);
  SetAlpha(0.4f);
  EXPECT_FLOAT_EQ(GetAlpha(), 0.4f);
  SetScale(-1.5f, 2.5f);
  float sx = 0, sy = 0;
  GetScale(sx, sy);
  EXPECT_FLOAT_EQ(sx, -1.5f);
  EXPECT_FLOAT_EQ(sy, 2.5f);
  SetRotation(-45);
  EXPECT_FLOAT_EQ(GetRotation(), -45.0f);
  SetClsColor(1, 2, 3);
  GetClsColor(r, g, b);
  EXPECT_EQ(r + g * 10 + b * 100, 321);
  // A new display starts from the default drawing state at its own size.
  ASSERT_EQ(Graphics(1024, 768), 1);
  GetColor(r, g, b);
  EXPECT_EQ(r + g + b, 765);
  EXPECT_FLOAT_EQ(GetAlpha(), 1.0f);
  GetScale(sx, sy);
  EXPECT_FLOAT_EQ(sx * sy, 1.0f);
  EXPECT_FLOAT_EQ(GetRotation(), 0.0f);
  EXPECT_FLOAT_EQ(VirtualWidth(), 1024.0f);
  EXPECT_FLOAT_EQ(VirtualHeight(), 768.0f);
  SetVirtualResolution(1280, 960);
  EXPECT_FLOAT_EQ(VirtualWidth(), 1280.0f);
  EXPECT_FLOAT_EQ(VirtualHeight(), 960.0f);
}

TEST(GraphicsFonts, TextWidthSumsAdvancesAndHeightIgnoresTheText) {
  testbackend::Reset();
  const int small = LoadImageFont(kBoldFont, 12);
  const int big = LoadImageFont(kBoldFont, 30);
  ASSERT_NE(small, 0);
  ASSERT_NE(big, 0);
  SetImageFont(small);
  EXPECT_EQ(GetImageFont(), small);
  EXPECT_EQ(TextWidth(""), 0);
  const int w_a = TextWidth("A");
  const int w_i = TextWidth("i");
  EXPECT_GT(w_a, w_i);
  EXPECT_EQ(TextWidth("AiAi"), 2 * (w_a + w_i));
  EXPECT_GT(TextWidth(std::string("\xE9")), 0);  // Latin-1 bytes have glyphs
  const int h = TextHeight("x");
  EXPECT_GE(h, 12);
  EXPECT_LE(h, 18);
  EXPECT_EQ(TextHeight(""), h);
  EXPECT_EQ(TextHeight("Ågy|"), h);
  SetImageFont(big);
  EXPECT_GT(TextWidth("A"), 2 * w_a);
  EXPECT_GT(TextHeight("x"), 2 * h);
  // Scale does not enter the measurements.
  SetScale(3, 3);
  EXPECT_EQ(TextWidth("Ai"), TextWidth("A") + TextWidth("i"));
}

const char* kNarrowFont = "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf";

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string FontTempPath(const std::string& name) {
  const char* dir = std::getenv("DUSKMOOR_BUILD_DIR");
  return std::string(dir ? dir : "/tmp") + "/graphics_fonts_" + name;
}

// The face with its glyph outlines blanked: every table in its place and the
// file whole, but no letter has a shape.
std::string BlankOutlines(std::string face) {
  auto be = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | static_cast<uint8_t>(face[at + i]);
    return v;
  };
  const uint32_t tables = be(4, 2);
  for (uint32_t t = 0; t < tables; ++t) {
    const size_t rec = 12 + 16 * t;
    if (face.compare(rec, 4, "glyf") == 0) std::fill_n(face.begin() + be(rec + 8, 4), be(rec + 12, 4), '\0');
  }
  return face;
}

// The pixels the current font's glyphs of `text` put on the screen: the sum
// of their coverage in its atlas.
int64_t InkOf(const std::string& text) {
  const gfxcore::FontRec& font = gfxcore::CurrentFont();
  int64_t ink = 0;
  for (unsigned char c : text) {
    const gfxcore::Glyph& g = font.glyphs[c];
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x)
        ink += font.atlas->coverage[static_cast<size_t>(g.atlas_y + y) * font.atlas->width + g.atlas_x + x];
  }
  return ink;
}

// A face none of whose printable characters draws a pixel (half a copy, or
// a whole one without shapes) is no font: the load fails, says why, and the
// default font draws the text instead. A face that still draws loads, and a
// copy cut short says so.
TEST(GraphicsFonts, AFaceThatDrawsNoLetterDoesNotLoadAndTheDefaultFontDrawsInstead) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  const std::string face = FileBytes(kNarrowFont);
  ASSERT_GT(face.size(), 10000u);
  struct Case {
    const char* what;
    std::string bytes;
    bool loads;
    std::string problem;
  };
  const Case cases[] = {
      {"whole", face, true, ""},
      {"cut in half", face.substr(0, face.size() / 2), false, "data ends early"},
      {"cut at a tenth", face.substr(0, face.size() / 10), false, "data ends early"},
      {"only its first bytes", face.substr(0, 100), false, "data ends early"},
      {"its shapes blanked", BlankOutlines(face), false, "draws no letters"},
      {"cut short after its shapes", face.substr(0, face.size() - 4000), true, "data ends early"},
      {"not a font", "not a font at all", false, ""},
  };
  const std::string text = "Press Start (Z) To Begin";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = FontTempPath("face.ttf");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
    const int font = LoadImageFont(path, 24, SMOOTHFONT);
    EXPECT_EQ(LastLoadProblem(), c.problem);
    ASSERT_EQ(font != 0, c.loads);
    EXPECT_EQ(testgraphics::LiveFonts(), c.loads ? 1 : 0);
    // What the game does with the handle: select it and draw.
    SetImageFont(font);
    testgraphics::ClearDraws();
    DrawText(text, 10, 10);
    const auto texts = testgraphics::DrawsOf(Op::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].font, font);
    EXPECT_GT(texts[0].w, 0.0f);
    EXPECT_GT(texts[0].h, 0.0f);
    EXPECT_GT(InkOf(text), 0);
    FreeImageFont(font);
  }
}

TEST(GraphicsFonts, DefaultFontStandsInForHandleZero) {
  testbackend::Reset();
  EXPECT_EQ(LoadImageFont("/no/such/font.ttf", 12), 0);
  SetImageFont(0);
  EXPECT_EQ(GetImageFont(), 0);
  EXPECT_GT(TextWidth("abc"), 0);
  EXPECT_GT(TextHeight("abc"), 0);
  const int font = LoadImageFont(kBoldFont, 20);
  SetImageFont(font);
  EXPECT_EQ(testgraphics::LiveFonts(), 1);
  FreeImageFont(font);
  EXPECT_EQ(testgraphics::LiveFonts(), 0);
  EXPECT_EQ(GetImageFont(), 0);  // a released font is no longer selected
  SetImageFont(font);
  EXPECT_EQ(GetImageFont(), 0);
}

TEST(GraphicsDisplay, FlipEndsTheTestFrameAndRecordsItsSync) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  Flip(0);
  EXPECT_EQ(testgraphics::LastFlipSync(), 0);
  Flip(-1);
  EXPECT_EQ(testgraphics::LastFlipSync(), -1);
  EXPECT_EQ(testgraphics::FlipCount(), 2);
  EXPECT_EQ(testbackend::FrameCount(), 2);
}

TEST(GraphicsDisplay, ModeListIsScriptedAndBounded) {
  testbackend::Reset();
  testgraphics::SetModes({{800, 600, 32, 60}, {800, 600, 16, 75}, {1024, 768, 24, 60}});
  EXPECT_EQ(CountGraphicsModes(), 3);
  int w, h, d, hz;
  GetGraphicsMode(1, w, h, d, hz);
  EXPECT_EQ(w * 10000 + h, 8000600);
  EXPECT_EQ(d, 16);
  EXPECT_EQ(hz, 75);
  GetGraphicsMode(3, w, h, d, hz);
  EXPECT_EQ(w + h + d + hz, 0);
  struct Case {
    int w, h, d, hz;
    bool exists;
  };
  const Case cases[] = {{800, 600, 0, 0, true},    {800, 600, 16, 0, true},
                        {800, 600, 24, 0, false},  {800, 600, 0, 75, true},
                        {800, 600, 32, 75, false}, {1024, 768, 24, 60, true},
                        {1024, 600, 0, 0, false}};
  for (const Case& c : cases)
    EXPECT_EQ(GraphicsModeExists(c.w, c.h, c.d, c.hz), c.exists) << c.w << "x" << c.h;
  std::vector<testgraphics::Mode> many;
  for (int i = 0; i < 3000; ++i) many.push_back({640 + i, 480, 32, 60});
  testgraphics::SetModes(many);
  EXPECT_EQ(CountGraphicsModes(), 2499);
  GetGraphicsMode(2499, w, h, d, hz);
  EXPECT_EQ(w, 0);
  EXPECT_FALSE(GraphicsModeExists(640 + 2499, 480));
}

TEST(GraphicsDisplay, RefusedDisplaysFallBackToWindows) {
  testbackend::Reset();
  SetGraphicsDriver(GL2DDriver(), 2);
  // Full screen refused: a window of the same size.
  testgraphics::SetDisplayRefusal([](int, int, int depth) { return depth != 0; });
  ASSERT_EQ(Graphics(1024, 768, 32, 60, 0), 1);
  EXPECT_EQ(testgraphics::DisplayDepth(), 0);
  EXPECT_EQ(GraphicsWidth(), 1024);
  EXPECT_EQ(testgraphics::DisplayFlags(), 2);
  // That size refused as well: an 800 x 600 window.
  testgraphics::SetDisplayRefusal([](int w, int, int) { return w != 800; });
  ASSERT_EQ(Graphics(1024, 768, 32, 60, 0), 1);
  EXPECT_EQ(GraphicsWidth(), 800);
  EXPECT_EQ(GraphicsHeight(), 600);
  EXPECT_FLOAT_EQ(VirtualWidth(), 800.0f);
  // Nothing at all: no display.
  testgraphics::SetDisplayRefusal([](int, int, int) { return true; });
  EXPECT_EQ(Graphics(1024, 768, 0, 60, 0), 0);
  EXPECT_FALSE(testgraphics::DisplayOpen());
  // A listed full-screen mode opens as asked.
  testgraphics::SetDisplayRefusal(nullptr);
  ASSERT_EQ(Graphics(1024, 768, 32, 60, 0), 1);
  EXPECT_EQ(testgraphics::DisplayDepth(), 32);
  EndGraphics();
  EXPECT_FALSE(testgraphics::DisplayOpen());
  EXPECT_EQ(testgraphics::EndGraphicsCalls(), 3);
}

TEST(GraphicsDisplay, WindowsTakeTheApplicationTitleWhenOpened) {
  testbackend::Reset();
  AppTitle = "#256 : Duskmoor II";
  ASSERT_EQ(Graphics(640, 480), 1);
  EXPECT_EQ(testgraphics::DisplayTitle(), "#256 : Duskmoor II");
  AppTitle = "Later";
  EXPECT_EQ(testgraphics::DisplayTitle(), "#256 : Duskmoor II");
  ASSERT_EQ(Graphics(640, 480), 1);
  EXPECT_EQ(testgraphics::DisplayTitle(), "Later");
}

TEST(GraphicsDisplay, GrabsReadTheScriptedScreen) {
  testbackend::Reset();
  ASSERT_EQ(Graphics(640, 480), 1);
  SetClsColor(0, 0, 64);
  Cls();
  testgraphics::SetScreenPixels(2, 1, {0xFF112233u, 0xFF445566u});
  const int grab = GrabPixmap(0, 0, 3, 1);
  EXPECT_EQ(ReadPixel(grab, 0, 0), 0xFF112233u);
  EXPECT_EQ(ReadPixel(grab, 1, 0), 0xFF445566u);
  EXPECT_EQ(ReadPixel(grab, 2, 0), 0xFF000040u);
  const int img = CreateImage(2, 1, 1, 0);
  GrabImage(img, 1, 0, 0);
  EXPECT_EQ(testgraphics::DrawsOf(Op::GrabImage).size(), 1u);
  EXPECT_EQ(gfxcore::Image(img)->Frame(0)[0], 0xFF445566u);
}

}  // namespace

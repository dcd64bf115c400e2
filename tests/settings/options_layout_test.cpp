// Where the options panel puts its texts, in which font and at which scale,
// with the real panel font loaded the way a display switch loads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixture.h"
#include "framework/globals.h"
#include "platform/graphics.h"
#include "platform/test/test_graphics.h"
#include "settings/common_assets.h"
#include "settings/display.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

using testgraphics::DrawRecord;
using testgraphics::Op;

namespace {

const char* const kFontFile = "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf";

class OptionsLayoutTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    if (!std::filesystem::exists(kFontFile)) GTEST_SKIP() << "the panel font is not installed";
    std::filesystem::copy_file(kFontFile, root_ / "Files" / "Common" / "LiberationSansNarrow-Bold.ttf");
    JScrw = 1280;
    JScrh = 960;
    AvailablePlayers = 4;
    AuxDrivers = {"OpenAL", "FreeAudio", "FreeAudio CoreAudio", "Null"};
    Options[14] = 2;
    Options[7] = 1;
    mx = -1000;
    my = -1000;
  }

  // Opens a window of the given real size, loads the shared assets for it and
  // draws one frame of the fully open panel.
  void DrawPanelIn(int width, int height) {
    MyScrw = width;
    MyScrh = height;
    Options[5] = width;
    Options[6] = height;
    if (testgraphics::DisplayOpen()) EndGraphics();
    Graphics(width, height, 0, 60, 0);
    SetVirtualResolution(static_cast<float>(JScrw), static_cast<float>(JScrh));
    FirstRun = 1;  // no splash
    LoadCommon();
    ASSERT_NE(Font[2], 0);
    optin = 20;
    OptionScreen = 1;
    testgraphics::ClearDraws();
    Option();
  }

  // The first text drawn with this content.
  static DrawRecord TextDraw(const std::string& text) {
    for (const auto& d : testgraphics::DrawsOf(Op::Text)) {
      if (d.text == text) return d;
    }
    ADD_FAILURE() << "not drawn: " << text;
    return DrawRecord{};
  }
};

struct Spot {
  const char* text;
  int x, y;      // reference point
  int ax, ay;    // alignment: 0 left/top, 1 centre
};

// The panel's texts around the three crowded places, fully open (optin 20):
// the arrow bindings of player 1, the frame-skip block and the audio column.
std::vector<Spot> Spots(int jscrw, const char* quality) {
  const int optin = 20, bx = 250, by = optin + 10;
  return {
      {"Graphics", 20, optin + 4, 0, 0},
      {quality, 80, optin + 128, 0, 0},
      {"Frameskip", 58, optin + 146 + 8, 0, 1},
      {"Slow System", 58, optin + 146 + 24, 0, 1},
      {"Apply", 20, optin + 260, 0, 0},
      {"Up", bx + 50 + 24, by + 24, 1, 1},
      {"Left", bx + 24, by + 50 + 24, 1, 1},
      {"Right", bx + 100 + 24, by + 50 + 24, 1, 1},
      {"Down", bx + 50 + 24, by + 50 + 24, 1, 1},
      {"Audio Driver", jscrw - 280 + 38, optin + 20 + 8, 0, 1},
      {"FreeAudio CoreAudio", jscrw - 280 + 38, optin + 20 + 24, 0, 1},
      {"Changes require a Restart", jscrw - 280, optin + 50, 0, 0},
  };
}

int RightEdge(const DrawRecord& d) { return static_cast<int>(d.x + d.w); }
int Bottom(const DrawRecord& d) { return static_cast<int>(d.y + d.h); }

TEST_F(OptionsLayoutTest, TextsSitWhereThePanelPutsThemInThePanelFontAtScaleOne) {
  struct Case {
    int width, height, font_px;
    const char* quality;
  } cases[] = {
      {1280, 960, 16, "Native (Crisp, Clear)"},
      {1024, 768, 16, "Small (Bit blurry)"},
      {800, 600, 22, "Small (Bit blurry)"},
      {640, 480, 22, "Small (Bit blurry)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    DrawPanelIn(c.width, c.height);
    // The panel font of this window size, measured on its own.
    const int reference = LoadImageFont(kFontFile, c.font_px, SMOOTHFONT);
    SetImageFont(reference);
    const int font_h = TextHeight("");
    for (const auto& s : Spots(JScrw, c.quality)) {
      SCOPED_TRACE(s.text);
      const DrawRecord d = TextDraw(s.text);
      SetImageFont(reference);
      const int w = TextWidth(s.text);
      EXPECT_EQ(d.font, Font[2]);
      EXPECT_FLOAT_EQ(d.scale_x, 1.0f);
      EXPECT_FLOAT_EQ(d.scale_y, 1.0f);
      EXPECT_EQ(static_cast<int>(d.w), w);
      EXPECT_EQ(static_cast<int>(d.h), font_h);
      EXPECT_FLOAT_EQ(d.x, static_cast<float>(s.ax == 1 ? s.x - w / 2 : s.x));
      EXPECT_FLOAT_EQ(d.y, static_cast<float>(s.ay == 1 ? s.y - font_h / 2 : s.y));
    }
    FreeImageFont(reference);
  }
}

// The boxes of the panel's texts (left, top, width, line height), fully open,
// at the four window sizes the panel is looked at in. 640 and 800 share the
// 22-pixel panel font, 1024 and 1280 the 16-pixel one.
TEST_F(OptionsLayoutTest, TextBoxesAtEachWindowSize) {
  struct Box {
    int width;
    const char* text;
    int x, y, w, h;
  } boxes[] = {
      // 640
      {640, "Graphics", 20, 24, 78, 26},
      {640, "Resolution", 58, 93, 93, 26},
      {640, "640x480", 20, 128, 70, 26},
      {640, "Small (Bit blurry)", 80, 148, 145, 26},
      {640, "Frameskip", 58, 161, 90, 26},
      {640, "Slow System", 58, 177, 111, 26},
      {640, "Apply", 20, 280, 50, 26},
      {640, "Up", 312, 41, 24, 26},
      {640, "Left", 258, 91, 33, 26},
      {640, "Right", 351, 91, 46, 26},
      {640, "Down", 300, 91, 49, 26},
      {640, "Audio Driver", 1038, 35, 108, 26},
      {640, "FreeAudio CoreAudio", 1038, 51, 186, 26},
      {640, "Changes require a Restart", 1000, 70, 224, 26},
      {640, "Master Volume : 50", 1000, 110, 164, 26},
      {640, "Sounds : 50", 1000, 160, 102, 26},
      {640, "Music : 50", 1000, 210, 87, 26},
      // 800
      {800, "Graphics", 20, 24, 78, 26},
      {800, "Resolution", 58, 93, 93, 26},
      {800, "800x600", 20, 128, 70, 26},
      {800, "Small (Bit blurry)", 80, 148, 145, 26},
      {800, "Frameskip", 58, 161, 90, 26},
      {800, "Slow System", 58, 177, 111, 26},
      {800, "Apply", 20, 280, 50, 26},
      {800, "Up", 312, 41, 24, 26},
      {800, "Left", 258, 91, 33, 26},
      {800, "Right", 351, 91, 46, 26},
      {800, "Down", 300, 91, 49, 26},
      {800, "Audio Driver", 1038, 35, 108, 26},
      {800, "FreeAudio CoreAudio", 1038, 51, 186, 26},
      {800, "Changes require a Restart", 1000, 70, 224, 26},
      {800, "Master Volume : 50", 1000, 110, 164, 26},
      {800, "Sounds : 50", 1000, 160, 102, 26},
      {800, "Music : 50", 1000, 210, 87, 26},
      // 1024
      {1024, "Graphics", 20, 24, 56, 19},
      {1024, "Resolution", 58, 97, 67, 19},
      {1024, "1024x768", 20, 128, 56, 19},
      {1024, "Small (Bit blurry)", 80, 148, 106, 19},
      {1024, "Frameskip", 58, 165, 65, 19},
      {1024, "Slow System", 58, 181, 81, 19},
      {1024, "Apply", 20, 280, 36, 19},
      {1024, "Up", 316, 45, 17, 19},
      {1024, "Left", 263, 95, 23, 19},
      {1024, "Right", 358, 95, 33, 19},
      {1024, "Down", 307, 95, 35, 19},
      {1024, "Audio Driver", 1038, 39, 78, 19},
      {1024, "FreeAudio CoreAudio", 1038, 55, 134, 19},
      {1024, "Changes require a Restart", 1000, 70, 160, 19},
      {1024, "Master Volume : 50", 1000, 110, 119, 19},
      {1024, "Sounds : 50", 1000, 160, 74, 19},
      {1024, "Music : 50", 1000, 210, 63, 19},
      // 1280
      {1280, "Graphics", 20, 24, 56, 19},
      {1280, "Resolution", 58, 97, 67, 19},
      {1280, "1280x960", 20, 128, 56, 19},
      {1280, "Native (Crisp, Clear)", 80, 148, 123, 19},
      {1280, "Frameskip", 58, 165, 65, 19},
      {1280, "Slow System", 58, 181, 81, 19},
      {1280, "Apply", 20, 280, 36, 19},
      {1280, "Up", 316, 45, 17, 19},
      {1280, "Left", 263, 95, 23, 19},
      {1280, "Right", 358, 95, 33, 19},
      {1280, "Down", 307, 95, 35, 19},
      {1280, "Audio Driver", 1038, 39, 78, 19},
      {1280, "FreeAudio CoreAudio", 1038, 55, 134, 19},
      {1280, "Changes require a Restart", 1000, 70, 160, 19},
      {1280, "Master Volume : 50", 1000, 110, 119, 19},
      {1280, "Sounds : 50", 1000, 160, 74, 19},
      {1280, "Music : 50", 1000, 210, 63, 19},
  };
  int drawn_for = 0;
  for (const Box& b : boxes) {
    if (b.width != drawn_for) {
      DrawPanelIn(b.width, b.width * 3 / 4);
      drawn_for = b.width;
    }
    SCOPED_TRACE(std::to_string(b.width) + " " + b.text);
    const DrawRecord d = TextDraw(b.text);
    EXPECT_EQ(static_cast<int>(d.x), b.x);
    EXPECT_EQ(static_cast<int>(d.y), b.y);
    EXPECT_EQ(static_cast<int>(d.w), b.w);
    EXPECT_EQ(static_cast<int>(d.h), b.h);
  }
}

// Side by side, the narrow face keeps texts apart and on the screen at every
// window size: the arrow names of each player's block, and the audio column
// against the right edge.
TEST_F(OptionsLayoutTest, TextsBesideEachOtherStayApartAndOnScreen) {
  for (int width : {640, 800, 1024, 1280}) {
    SCOPED_TRACE(width);
    DrawPanelIn(width, width * 3 / 4);
    const DrawRecord left = TextDraw("Left"), down = TextDraw("Down"), right = TextDraw("Right");
    EXPECT_LT(RightEdge(left), static_cast<int>(down.x));
    EXPECT_LT(RightEdge(down), static_cast<int>(right.x));
    const char* quality = width == 1280 ? "Native (Crisp, Clear)" : "Small (Bit blurry)";
    EXPECT_LE(RightEdge(TextDraw(quality)), 250);  // the bindings column
    for (const char* text : {"Audio Driver", "FreeAudio CoreAudio", "Changes require a Restart", "Master Volume : 50"}) {
      EXPECT_LE(RightEdge(TextDraw(text)), JScrw) << text;
    }
  }
}

// Stacked texts: the rows of the fixed layout are 16 to 20 pixels apart, the
// 16-pixel font's line is 19 pixels high and the 22-pixel font's 26, so
// below 900 real pixels the quality label's line reaches well into the
// frame-skip label's, and the driver name's into the restart notice's (with
// the smaller font they only touch). That is what the
// layout holds; this pins it down.
TEST_F(OptionsLayoutTest, StackedRowsCrowdOnlyWithTheLargerFont) {
  struct Case {
    int width;
    bool crowded;
  } cases[] = {{640, true}, {800, true}, {1024, false}, {1280, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    DrawPanelIn(c.width, c.width * 3 / 4);
    const char* quality = c.width == 1280 ? "Native (Crisp, Clear)" : "Small (Bit blurry)";
    const int overlap = Bottom(TextDraw(quality)) - static_cast<int>(TextDraw("Frameskip").y);
    EXPECT_EQ(overlap > 6, c.crowded) << overlap;
    const int notice = Bottom(TextDraw("FreeAudio CoreAudio")) - static_cast<int>(TextDraw("Changes require a Restart").y);
    EXPECT_EQ(notice > 6, c.crowded) << notice;
  }
}

}  // namespace

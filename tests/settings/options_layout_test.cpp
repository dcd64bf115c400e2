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

const char* const kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

class OptionsLayoutTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    if (!std::filesystem::exists(kFontFile)) GTEST_SKIP() << "the panel font is not installed";
    std::filesystem::copy_file(kFontFile, root_ / "Files" / "Common" / "DejaVuSans-Bold.ttf");
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

TEST_F(OptionsLayoutTest, WideWindowsKeepArrowNamesApartAndTheAudioColumnOnScreen) {
  for (int width : {1280, 1024, 900}) {
    SCOPED_TRACE(width);
    DrawPanelIn(width, width * 3 / 4);
    const DrawRecord left = TextDraw("Left"), down = TextDraw("Down"), right = TextDraw("Right");
    EXPECT_LE(RightEdge(left), static_cast<int>(down.x));
    EXPECT_LE(RightEdge(down), static_cast<int>(right.x));
    EXPECT_LE(RightEdge(TextDraw("FreeAudio CoreAudio")), JScrw);
    EXPECT_LE(RightEdge(TextDraw("Changes require a Restart")), JScrw);
  }
}

// Below 900 real pixels the panel font grows to 22 pixels while every
// position stays the same, so these texts crowd each other and the screen's
// right edge. That is how the panel is laid out; this pins it down.
TEST_F(OptionsLayoutTest, NarrowWindowsCrowdTheFixedLayoutWithTheLargerFont) {
  DrawPanelIn(800, 600);
  const DrawRecord left = TextDraw("Left"), down = TextDraw("Down"), right = TextDraw("Right");
  EXPECT_GT(RightEdge(left), static_cast<int>(down.x));
  EXPECT_GT(RightEdge(down), static_cast<int>(right.x));
  EXPECT_GT(Bottom(TextDraw("Small (Bit blurry)")), static_cast<int>(TextDraw("Frameskip").y));
  EXPECT_GT(RightEdge(TextDraw("FreeAudio CoreAudio")), JScrw);
  EXPECT_GT(RightEdge(TextDraw("Changes require a Restart")), JScrw);
}

}  // namespace

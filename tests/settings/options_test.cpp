#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"
#include "framework/globals.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/common_assets.h"
#include "settings/display.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

using testgraphics::Op;

namespace {

std::vector<std::string> Texts() {
  std::vector<std::string> out;
  for (const auto& d : testgraphics::DrawsOf(Op::Text)) out.push_back(d.text);
  return out;
}

bool Drew(const std::string& text) {
  for (const auto& t : Texts()) {
    if (t == text) return true;
  }
  return false;
}

class OptionsTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    JScrw = 1280;
    JScrh = 960;
    AvailablePlayers = 4;
    Graphics(1280, 960, 0, 60, 0);
    SetVirtualResolution(1280, 960);
    // The icon strip: 64 frames of 16x16.
    CommonIcons = testgraphics::MakeImage(256, 64, std::vector<uint32_t>(256 * 64, 0xFFFFFFFF), 16, 16, 0, 64);
    CommonIconsF = CommonIcons;
    DrawMax[1] = 1000;
    DrawMax[2] = 1000;
    testgraphics::ClearDraws();
    mx = -1000;
    my = -1000;
  }
};

TEST_F(OptionsTest, PanelSlidesInAndOutInTenFrames) {
  std::vector<int> seen;
  OptionScreen = 1;
  for (int i = 0; i < 11; ++i) {
    Option();
    seen.push_back(optin);
  }
  EXPECT_EQ(seen, (std::vector<int>{-268, -236, -204, -172, -140, -108, -76, -44, -12, 20, 20}));
  seen.clear();
  OptionScreen = 0;
  for (int i = 0; i < 10; ++i) {
    Option();
    seen.push_back(optin);
  }
  EXPECT_EQ(seen, (std::vector<int>{-12, -44, -76, -108, -140, -172, -204, -236, -268, -300}));
}

TEST_F(OptionsTest, HiddenPanelDrawsNothingButSamplesClicks) {
  testbackend::PressMouse(1);
  testbackend::PressMouse(2);
  Option();
  EXPECT_EQ(mh1, 1);
  EXPECT_EQ(mh2, 1);
  EXPECT_TRUE(testgraphics::Draws().empty());
}

// The panel's shade runs from the screen's corner over the whole width and
// follows the slide, with its green edge line at the bottom.
TEST_F(OptionsTest, ThePanelShadesTheWholeWidthDownToItsEdgeLine) {
  OptionScreen = 1;
  for (int shown : {-44, 20}) {
    optin = shown - 32;
    testgraphics::ClearDraws();
    Option();
    ASSERT_EQ(optin, shown);
    const auto rects = testgraphics::DrawsOf(Op::Rect);
    ASSERT_GE(rects.size(), 3u);
    struct Want {
      float y, h;
      int r, g, b;
      float alpha;
      int blend;
    };
    const Want want[] = {{0, shown + 300.0f, 40, 40, 40, 0.8f, SHADEBLEND},
                         {0, shown + 298.0f, 80, 80, 80, 0.4f, ALPHABLEND},
                         {shown + 298.0f, 2, 180, 255, 180, 1.0f, ALPHABLEND}};
    for (size_t i = 0; i < 3; ++i) {
      const auto& d = rects[i];
      const Want& w = want[i];
      SCOPED_TRACE("rect " + std::to_string(i) + " at slide " + std::to_string(shown));
      EXPECT_EQ(d.x, 0);
      EXPECT_EQ(d.y, w.y);
      EXPECT_EQ(d.w, 1280);
      EXPECT_EQ(d.h, w.h);
      EXPECT_EQ((std::vector<int>{d.r, d.g, d.b}), (std::vector<int>{w.r, w.g, w.b}));
      EXPECT_FLOAT_EQ(d.alpha, w.alpha);
      EXPECT_EQ(d.blend, w.blend);
    }
  }
}

TEST_F(OptionsTest, OpenPanelShowsItsColumns) {
  optin = 20;
  OptionScreen = 1;
  AuxDrivers = {"FreeAudio", "Null"};
  Options[14] = 1;
  StickCount = 1;
  Stick[1] = "Pad";
  StickOn[1] = 1;
  Option();
  for (const char* t : {"Graphics", "Windowed", "Resolution", "800x600", "Small (Bit blurry)", "Draw all Frames",
                        "Decent System", "Apply", "Audio Driver", "Null", "Changes require a Restart",
                        "Master Volume : 50", "Sounds : 50", "Music : 50", "Pad", "Up", "Z"}) {
    EXPECT_TRUE(Drew(t)) << t;
  }
  // 32 binding buttons, 8 per player, all in the same frame.
  int unbound = 0;
  for (const auto& t : Texts()) unbound += t == "?!";
  EXPECT_EQ(unbound, 32 - 8);
  EXPECT_EQ(DrawCount[1] > 0, true);
}

TEST_F(OptionsTest, QualityLabelFollowsTheHeight) {
  struct Case {
    int h;
    const char* label;
  } cases[] = {{600, "Small (Bit blurry)"},  {899, "Small (Bit blurry)"},          {900, "Native (Crisp, Clear)"},
               {960, "Native (Crisp, Clear)"}, {961, "Bigger! (High-Definition!)"}};
  optin = 20;
  OptionScreen = 1;
  for (const auto& c : cases) {
    testgraphics::ClearDraws();
    Options[6] = c.h;
    Option();
    EXPECT_TRUE(Drew(c.label)) << c.h;
  }
}

TEST_F(OptionsTest, OptionButtonCyclesThroughItsLabels) {
  struct Case {
    const char* name;
    std::vector<std::string> labels;
    int value;
    std::vector<std::string> shown;
    int after_click;
  } cases[] = {
      {"two labels", {"Windowed", "Fullscreen"}, 1, {"Fullscreen"}, 0},
      {"one label", {"Resolution"}, 1, {"Resolution"}, 0},
      {"gap in labels", {"A", "", "C"}, 1, {"A"}, 2},
      {"gap shows third", {"A", "", "C"}, 2, {"C"}, 0},
      {"value out of range", {"A", "B"}, 5, {"A"}, 0},
      {"two lines", {"Draw all Frames|Decent System", "Frameskip|Slow System"}, 1, {"Frameskip", "Slow System"}, 0},
      {"audio case counts", {"Audio"}, 0, {"Audio"}, 0},
  };
  optin = 20;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> l = c.labels;
    l.resize(6);
    Options[20] = c.value;
    mx = 25;  // on the icon
    my = 30 + optin + 16;
    mh1 = 0;
    testgraphics::ClearDraws();
    EXPECT_EQ(OptionButton(20, 20, 30, 13, l[0], l[1], l[2], l[3], l[4], l[5]), 1);
    EXPECT_EQ(Texts(), c.shown);
    const auto images = testgraphics::DrawsOf(Op::Image);
    ASSERT_FALSE(images.empty());
    EXPECT_EQ(images.front().frame, 13 + c.value);
    EXPECT_FLOAT_EQ(images.front().scale_x, 2.0f);
    EXPECT_EQ(Options[20], c.value);  // pointing alone changes nothing
    mh1 = 1;
    OptionButton(20, 20, 30, 13, l[0], l[1], l[2], l[3], l[4], l[5]);
    EXPECT_EQ(Options[20], c.after_click);
    mx = 5;  // left of the button: the icon alone, at the same size
    testgraphics::ClearDraws();
    EXPECT_EQ(OptionButton(20, 20, 30, 13, l[0], l[1], l[2], l[3], l[4], l[5]), 0);
    const auto resting = testgraphics::DrawsOf(Op::Image);
    ASSERT_EQ(resting.size(), 1u);
    EXPECT_FLOAT_EQ(resting.front().scale_x, 2.0f);
  }
}

TEST_F(OptionsTest, AudioButtonOffersTheFirstSixDrivers) {
  optin = 20;
  AuxDrivers = {"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"};
  Options[14] = 5;
  mx = 1280 - 270;
  my = 20 + optin + 16;
  mh1 = 1;
  OptionButton(14, JScrw - 280, 20, 24, "AUDIO");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Audio Driver", "D5"}));
  EXPECT_EQ(Options[14], 0);  // six states: 5 wraps to 0
  AuxDrivers = {"A", "B", "C"};
  Options[14] = 2;
  OptionButton(14, JScrw - 280, 20, 24, "AUDIO");
  EXPECT_EQ(Options[14], 0);
  AuxDrivers.clear();
  testgraphics::ClearDraws();
  OptionButton(14, JScrw - 280, 20, 24, "AUDIO");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"AUDIO"}));
  EXPECT_EQ(Options[14], 0);
}

TEST_F(OptionsTest, SliderFollowsTheHeldButtonInsideItsBox) {
  struct Case {
    int px;
    bool held;
    int expect;
  } cases[] = {{99, true, 1}, {197, true, 99}, {98, true, 50}, {198, true, 50}, {150, false, 50}, {150, true, 52}};
  for (const auto& c : cases) {
    mx = c.px;
    my = 310;
    if (c.held) testbackend::PressMouse(1);
    else testbackend::ReleaseMouse(1);
    testgraphics::ClearDraws();
    EXPECT_EQ(OptionSlider(50, 100, 300, "Music"), c.expect) << c.px;
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Music : " + std::to_string(c.expect)}));
  }
}

TEST_F(OptionsTest, VolumesSnapWhenThePanelIsDrawn) {
  optin = 20;
  OptionScreen = 1;
  Options[11] = 150;
  Options[12] = 3;
  Options[13] = 94;
  Option();
  EXPECT_EQ(Options[11], 100);
  EXPECT_EQ(Options[12], 0);
  EXPECT_EQ(Options[13], 94);
  EXPECT_TRUE(Drew("Master Volume : 150"));  // the caption shows the value before snapping
}

TEST_F(OptionsTest, BindingButtonCapturesOnlyWhileOpenAndPointedAt) {
  optin = 20;
  mx = 310;
  my = 310;
  KeyV[40] = 0;
  testbackend::PressKey(65);
  ControlButton(40, 300, 300);
  EXPECT_EQ(KeyV[40], 65);
  testbackend::PressKey(8);  // Backspace and a letter: the lower code wins
  ControlButton(40, 300, 300);
  EXPECT_EQ(KeyV[40], 0);
  testbackend::ReleaseKey(8);
  testbackend::PressKey(122);  // F11 held: nothing is bound
  ControlButton(40, 300, 300);
  EXPECT_EQ(KeyV[40], 0);
  testbackend::ReleaseKey(122);
  optin = -12;  // still sliding
  ControlButton(40, 300, 300);
  EXPECT_EQ(KeyV[40], 0);
  optin = 20;
  mx = 300;  // on the edge: outside
  ControlButton(40, 300, 300);
  EXPECT_EQ(KeyV[40], 0);
}

TEST_F(OptionsTest, BindingButtonPicturesByInputKind) {
  struct Case {
    int code;
    int frame;  // -1 nothing drawn
    std::string text;
    bool at_centre;
  } cases[] = {{0, 3, "?!", true},   {90, 3, "Z", true},    {300, 9, "Y-", false}, {320, 8, "Up", false},
               {380, 10, "0", true}, {5, -1, "", true},     {260, -1, "", true},   {315, -1, "", true}};
  optin = -12;  // no capture, so the picture depends on the code alone
  for (const auto& c : cases) {
    KeyV[41] = c.code;
    testgraphics::ClearDraws();
    ControlButton(41, 300, 300);
    const auto images = testgraphics::DrawsOf(Op::Image);
    const auto texts = testgraphics::DrawsOf(Op::Text);
    if (c.frame < 0) {
      EXPECT_TRUE(images.empty()) << c.code;
      EXPECT_TRUE(texts.empty()) << c.code;
      continue;
    }
    ASSERT_FALSE(images.empty()) << c.code;
    EXPECT_EQ(images.front().frame, c.frame) << c.code;
    EXPECT_FLOAT_EQ(images.front().scale_x, 3.0f);
    ASSERT_EQ(texts.size(), 1u) << c.code;
    EXPECT_EQ(texts[0].text, c.text) << c.code;
  }
}

TEST_F(OptionsTest, ResolutionChooserStepsAndWraps) {
  MostResses = 3;
  ResolutionW[1] = 800, ResolutionH[1] = 600;
  ResolutionW[2] = 1024, ResolutionH[2] = 768;
  ResolutionW[3] = 1280, ResolutionH[3] = 960;
  optin = 20;
  OptionScreen = 1;
  Options[4] = 3;
  mx = 100;  // in the resolution area, right of the button's label
  my = optin + 110;
  testbackend::TapKey(39);
  Option();
  EXPECT_EQ(Options[4], 1);
  EXPECT_EQ(Options[5], 800);
  EXPECT_EQ(Options[6], 600);
  testbackend::TapKey(40);
  Option();
  EXPECT_EQ(Options[4], 3);
  EXPECT_EQ(Options[6], 960);
  testbackend::PressMouse(1);
  testbackend::PressMouse(2);
  Option();  // both clicks in one frame: forward and back
  EXPECT_EQ(Options[4], 3);
  mx = 1000;  // away from the area, keys do nothing
  testbackend::TapKey(39);
  Option();
  EXPECT_EQ(Options[4], 3);
}

TEST_F(OptionsTest, ApplyWritesTheSettingsAndSwitchesOnce) {
  optin = 20;
  OptionScreen = 1;
  FirstRun = 1;
  mx = 22;
  my = optin + 262;
  testbackend::PressMouse(1);
  testbackend::SetReadCost(8);
  Option();
  EXPECT_EQ(OptionScreen, 0);
  EXPECT_EQ(FileType(Paths.data + "Setup.ini"), 1);
  EXPECT_EQ(testgraphics::GraphicsCalls(), 2);  // the set-up's display and the switch's
  EXPECT_EQ(testgraphics::EndGraphicsCalls(), 1);

  // During a switch already under way the click is not taken.
  OptionScreen = 1;
  ChangingRes = 1;
  testbackend::ReleaseMouse(1);
  testbackend::PressMouse(1);
  Option();
  EXPECT_EQ(OptionScreen, 1);
  EXPECT_EQ(mh1, 1);
  EXPECT_EQ(testgraphics::GraphicsCalls(), 2);
}

TEST_F(OptionsTest, JoystickRowsToggleOnAClick) {
  optin = 20;
  OptionScreen = 1;
  StickCount = 2;
  Stick[1] = "First Pad";
  Stick[2] = "Second Pad";
  StickOn[1] = 1;
  StickOn[2] = 1;
  mx = JScrw - 278;
  my = optin + 230 + 15 + 5;
  testbackend::PressMouse(1);
  Option();
  EXPECT_EQ(StickOn[1], 1);
  EXPECT_EQ(StickOn[2], 0);
  testgraphics::ClearDraws();
  Option();
  bool dimmed = false;
  for (const auto& d : testgraphics::DrawsOf(Op::Text)) {
    if (d.text == "Second Pad") dimmed = d.alpha < 0.25f;
  }
  EXPECT_TRUE(dimmed);
}

}  // namespace

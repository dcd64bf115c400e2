// Volumes as a hand-edited Setup.ini may hold them, far outside 0 to 100: the
// options overlay and the map screen run on them without an overflow (the
// sanitizer build stops at the first one).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "fixture.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "game/game_assets.h"
#include "level/level_browser.h"
#include "map/map_screen.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/common_assets.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

constexpr int kFireKey = 90;

class ExtremeVolumesTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    testutil::QuietPumpServices("a screen with extreme volumes");
    testutil::OpenTestScreen();
    CommonIcons = testgraphics::MakeImage(256, 64, std::vector<uint32_t>(256 * 64, 0xFFFFFFFF), 16, 16, 0, 64);
    CommonIconsF = CommonIcons;
    DrawMax[1] = 1000;
    DrawMax[2] = 1000;
    mx = my = -1000;
  }
  void TearDown() override {
    ResetPumpServices();
    GameFolderTest::TearDown();
  }
  static void ReadSetup(const std::string& audio) {
    WriteBytes(Paths.data + "Setup.ini", "[Audio]\r\n" + audio);
    ReadSettings();
  }
  static bool Drew(const std::string& text) {
    const auto texts = testgraphics::DrawsOf(testgraphics::Op::Text);
    return std::any_of(texts.begin(), texts.end(), [&](const auto& d) { return d.text == text; });
  }
};

TEST_F(ExtremeVolumesTest, OverlayShowsThemOnceAndSnapsThemIntoRange) {
  struct Case {
    const char* setup;
    int32_t read[3];
    const char* caption;
    int32_t snapped[3];
  } cases[] = {
      {"Master=2147483647\r\nSound=-2147483648\r\nMusic=2147483647\r\n",
       {INT_MAX, INT_MIN, INT_MAX},
       "Master Volume : 2147483647",
       {100, 0, 100}},
      {"Master=100000\r\nSound=300\r\nMusic=100000\r\n", {100000, 300, 100000}, "Sounds : 300", {100, 100, 100}},
      {"Master=-2147483647\r\nSound=-1\r\nMusic=0\r\n", {INT_MAX, 1, 0}, "Master Volume : 2147483647", {100, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setup);
    ReadSetup(c.setup);
    EXPECT_EQ(Options[11], c.read[0]);
    EXPECT_EQ(Options[12], c.read[1]);
    EXPECT_EQ(Options[13], c.read[2]);
    testgraphics::ClearDraws();
    OptionScreen = 1;
    Option();
    EXPECT_TRUE(Drew(c.caption));
    for (int i = 0; i < 10; ++i) Option();
    EXPECT_EQ(Options[11], c.snapped[0]);
    EXPECT_EQ(Options[12], c.snapped[1]);
    EXPECT_EQ(Options[13], c.snapped[2]);
    OptionScreen = 0;
    for (int i = 0; i < 10; ++i) Option();
  }
}

TEST_F(ExtremeVolumesTest, MapScreenMusicVolumeIsTheFullProduct) {
  ReadSetup("Master=100000\r\nMusic=100000\r\n");
  KeyV[10] = kFireKey;
  MakeObjectKinds();
  Uselevel = std::make_shared<game>();
  Uselevel->Title = "Moor";
  Uselevel->SX = Uselevel->SY = 10;
  Uselevel->EX = Uselevel->EY = 20;
  const std::string path = testutil::OwnTempPath("extreme_map_tune.wav");
  testutil::WriteWav(path, 22050);
  tune2 = LoadSound(path, 0);
  int frames = 0;
  PumpServices().musicStep = [&frames] {
    if (++frames == 90) testbackend::PressKey(kFireKey);
  };
  DoTheMap();
  // 100000 x 100000 / 100 / 100 at full fade while the screen fades out.
  float loudest = 0.0f;
  for (const auto& call : testbackend::AudioCalls()) {
    if (call.op != "SetChannelVolume") continue;
    EXPECT_GE(call.f, 0.0f);
    loudest = std::max(loudest, call.f);
  }
  EXPECT_FLOAT_EQ(loudest, 1000000.0f);
}

}  // namespace

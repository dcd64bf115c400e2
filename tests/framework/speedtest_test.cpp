#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "framework/speedtest.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/common_assets.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testgraphics::Op;

// A machine whose frames take `frameMs(sprites)` milliseconds, at least the
// pump's 15.
class SpeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    stepsSeen.clear();
    testutil::QuietPumpServices("the engine test");
    PumpServices().musicStep = [this] {
      int sprites = 0;
      for (const auto& d : testgraphics::Draws()) sprites += d.op == Op::Image && d.image == CommonIcons;
      testgraphics::ClearDraws();
      stepsSeen.push_back(sprites);
      const int ms = frameMs(sprites - 1);
      if (ms > 15) testbackend::AdvanceClock(ms - 15);
    };
    // One file per process: other builds may run the same case at once.
    log = fs::temp_directory_path() / (std::string("duskmoor_aim_") + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt");
    OpenDebugLog(log.string());
    Options.fill(0);
    DrawMax.fill(0);
    DrawMax[1] = DrawMax[2] = 50000;
    DrawCount.fill(0);
    DebugMode = 1;
    UseFPS = 0;
    FramesPerSec = frameavg = 0;
    LastFrame = 0;
    SkipDraw = 0;
    JScrw = 1280, JScrh = 960;
    CommonIcons = MakeTestImage(16, 16, 64);
    logo = MakeTestImage(320, 240);
    QuendryLogo = MakeTestImage(256, 256);
  }
  void TearDown() override {
    CloseDebugLog();
    fs::remove(log);
    ResetPumpServices();
  }
  std::vector<std::string> LogLines() {
    CloseDebugLog();
    return testutil::CrlfLines(testutil::ReadBytes(log));
  }
  static std::vector<std::string> ExpectedLog(int target, int main, int glow, int particles, bool overwritten) {
    std::vector<std::string> lines = {"Starting Engine Test",
                                      "Aiming for " + std::to_string(target) + ",2",
                                      "Test Complete",
                                      "",
                                      "Engine Test Results",
                                      "",
                                      "\tMaximum Sprites Allowed for " + std::to_string(target) + " Frames Per Second",
                                      "\tMain sprites : " + std::to_string(main),
                                      "\tGlowy Sprites : " + std::to_string(glow),
                                      "\tParticles : " + std::to_string(particles),
                                      ""};
    if (overwritten) lines.push_back("Settings Overwritten, Set to Default Lower Limits at 30fps.");
    lines.push_back("");
    return lines;
  }

  std::function<int(int)> frameMs = [](int) { return 15; };
  std::vector<int> stepsSeen;
  fs::path log;
};

TEST_F(SpeedTest, OutcomesByMachine) {
  struct Case {
    const char* machine;
    int32_t slowOnEntry;
    std::function<int(int)> frameMs;
    int lastStep;                      // the step after which the test stopped
    int logged[3];                     // budgets before the floors
    int budgets[3];                    // final budgets
    int32_t useFps, slowAfter;
    int target;
  };
  const Case cases[] = {
      {"fast", 0, [](int) { return 15; }, 20000, {8000, 8000, 4000}, {8000, 8000, 4000}, 60, 0, 60},
      {"slow at 1000", 0, [](int) { return 20; }, 1000, {0, 0, 0}, {1000, 500, 250}, 30, 1, 60},
      {"only the warm-up held", 0, [](int s) { return s <= 500 ? 15 : 20; }, 1000, {0, 0, 0}, {1000, 500, 250}, 30, 1, 60},
      {"exactly at the threshold", 0, [](int s) { return s < 2500 ? 15 : 17; }, 2500, {1000, 1000, 500},
       {1000, 1000, 500}, 60, 0, 60},
      {"holds 2000", 0, [](int s) { return s <= 2000 ? 15 : 20; }, 2500, {800, 800, 400}, {1000, 800, 400}, 30, 1, 60},
      {"holds 1500", 0, [](int s) { return s <= 1500 ? 15 : 20; }, 2000, {600, 600, 300}, {1000, 600, 300}, 30, 1, 60},
      {"slow flag already set", 1, [](int) { return 15; }, 20000, {8000, 8000, 4000}, {8000, 8000, 4000}, 30, 1, 30},
      {"slow flag set, holds 3000", 1, [](int s) { return s <= 3000 ? 30 : 40; }, 3500, {1200, 1200, 600},
       {1200, 1200, 600}, 30, 1, 30},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    Options[7] = c.slowOnEntry;
    frameMs = c.frameMs;
    EXPECT_EQ(AimFor(60, 2), 0);
    SCOPED_TRACE(c.machine);
    ASSERT_FALSE(stepsSeen.empty());
    EXPECT_EQ(stepsSeen.back() - 1, c.lastStep);
    EXPECT_EQ(static_cast<int>(stepsSeen.size()), c.lastStep / 500 * 8);
    EXPECT_EQ(DrawMax[1], c.budgets[0]);
    EXPECT_EQ(DrawMax[2], c.budgets[1]);
    EXPECT_EQ(DrawMax[3], c.budgets[2]);
    EXPECT_EQ(UseFPS, c.useFps);
    EXPECT_EQ(Options[7], c.slowAfter);
    EXPECT_EQ(DebugMode, 0);
    EXPECT_EQ(LogLines(), ExpectedLog(c.target, c.logged[0], c.logged[1], c.logged[2], c.useFps == 30));
  }
}

TEST_F(SpeedTest, ProvisionalBudgetsAndTheFramesItDraws) {
  int32_t budgetsSeen[3] = {0, 0, 0};
  int32_t useFpsSeen = -1;
  bool checked = false;
  PumpServices().musicStep = [&] {
    if (checked) return;
    checked = true;
    budgetsSeen[0] = DrawMax[1], budgetsSeen[1] = DrawMax[2], budgetsSeen[2] = DrawMax[3];
    useFpsSeen = UseFPS;
    auto images = testgraphics::DrawsOf(Op::Image);
    // The two logos over the bands, at one and a half times their size, then
    // the first step's sprites.
    ASSERT_EQ(images.size(), 503u);
    struct Logo {
      int image;
      float x, y;
    } logos[] = {{logo, 384, 288}, {QuendryLogo, 896, 672}};
    for (size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(images[i].image, logos[i].image) << i;
      EXPECT_FLOAT_EQ(images[i].x, logos[i].x) << i;
      EXPECT_FLOAT_EQ(images[i].y, logos[i].y) << i;
      EXPECT_FLOAT_EQ(images[i].scale_x, 1.5f) << i;
      EXPECT_FLOAT_EQ(images[i].scale_y, 1.5f) << i;
      EXPECT_EQ(images[i].frame, 0) << i;
    }
    images.erase(images.begin(), images.begin() + 2);
    for (const auto& d : images) {
      EXPECT_EQ(d.image, CommonIcons);
      EXPECT_FLOAT_EQ(d.alpha, 0.0f);
      EXPECT_FLOAT_EQ(d.scale_x, 2.0f);
      EXPECT_GE(d.rotation, 1.0f);
      EXPECT_LE(d.rotation, 360.0f);
      EXPECT_GE(d.x, 1.0f);
      EXPECT_LE(d.x, 1280.0f);
      EXPECT_GE(d.y, 1.0f);
      EXPECT_LE(d.y, 960.0f);
    }
    auto rects = testgraphics::DrawsOf(Op::Rect);
    ASSERT_EQ(rects.size(), 97u);
    EXPECT_FLOAT_EQ(rects[0].x, -100);
    EXPECT_FLOAT_EQ(rects[1].y, 30);
    EXPECT_FLOAT_EQ(rects[0].w, 1280 + 1800);
    EXPECT_FLOAT_EQ(rects[0].rotation, -45);
    EXPECT_EQ(rects[0].b, 50);
    EXPECT_EQ(rects[96].b, 98);
    EXPECT_EQ(testgraphics::DrawsOf(Op::Cls).size(), 1u);
    testgraphics::ClearDraws();
  };
  // F12 during the test: the overlay is off again at its end.
  testbackend::TapKey(123);
  AimFor(60, 2);
  EXPECT_TRUE(checked);
  EXPECT_EQ(budgetsSeen[0], 500);
  EXPECT_EQ(budgetsSeen[1], 500);
  EXPECT_EQ(budgetsSeen[2], 250);
  EXPECT_EQ(useFpsSeen, 60);
  EXPECT_EQ(DebugMode, 0);
}

}  // namespace

// The real game's options overlay under the running X server: every click
// on a switch of the overlay counts. Twelve rounds of Tab (the overlay
// opens), one click on the frame-skip switch, Tab (it closes and writes the
// settings) each turn frame skip over, as Setup.ini shows after every round.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

constexpr int kRounds = 12;
// The frame-skip switch's icon on the 800x600 window: virtual 38, 182 of
// the 1280x960 screen, where the fully open overlay (slid 20 pixels past its
// top) shows it.
constexpr int kSwitchX = 24, kSwitchY = 114;

bool FrameSkipOn(const std::string& setup) { return setup.find("\r\nESS=1 ") != std::string::npos; }

class OptionsEndToEnd : public GameRun {};

TEST_F(OptionsEndToEnd, EveryClickOnTheFrameSkipSwitchTurnsItOver) {
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "logo.png")) << "the game data is not generated";
  const fs::path root = CopyGame(source, "options_e2e");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  const fs::path setup = files / "Setup.ini";

  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(input.MovePointer(kSwitchX, kSwitchY));

  // The first Tab writes the settings as the start left them; the overlay
  // it opened goes again with the second.
  ASSERT_TRUE(input.Tap(kTab));
  ASSERT_TRUE(WaitFor([&] { return fs::exists(setup); })) << ReadAll(log);
  ASSERT_TRUE(input.Tap(kTab));
  ASSERT_TRUE(input.WaitFrames(kOverlayFrames));
  bool on = FrameSkipOn(ReadAll(setup));

  std::vector<int> unchanged;
  for (int round = 1; round <= kRounds; ++round) {
    // The overlay slides in before the click, and the Tab that closes it
    // writes the settings in the frame that reads it.
    ASSERT_TRUE(input.Tap(kTab)) << round;
    ASSERT_TRUE(input.WaitFrames(kOverlayFrames)) << round;
    ASSERT_TRUE(input.Click()) << round;
    ASSERT_TRUE(input.Tap(kTab)) << round;
    const bool now = FrameSkipOn(ReadAll(setup));
    if (now == on) unchanged.push_back(round);
    on = now;
    // The overlay slides away before the next round opens it again.
    ASSERT_TRUE(input.WaitFrames(kOverlayFrames)) << round;
    ASSERT_TRUE(Running(pid)) << round;
  }
  EXPECT_TRUE(unchanged.empty()) << unchanged.size() << " of " << kRounds
                                 << " clicks were lost, the first in round " << unchanged.front();

  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));
  fs::remove_all(root);
}

}  // namespace

// The real game in a fresh copy of its folder under the running X server:
// start-up, title screen, settings written on Tab, a screenshot, Esc to the
// farewell screen and a key to end the process.
#include <gtest/gtest.h>

#include <string>

#include "e2e_util.h"

namespace {

using namespace e2e;

// The pixels where the pack titles stand on an 800x600 window, as text.
std::string PackArea(const fs::path& png) { return Area(png, 300, 405, 590, 530); }

class TitleEndToEnd : public GameRun {};

TEST_F(TitleEndToEnd, StartTitleSettingsScreenshotAndFarewell) {
  ASSERT_TRUE(fs::exists(source / "duskmoor2"));
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "logo.png")) << "the game data is not generated";
  const fs::path root = CopyGame(source, "title_e2e");
  const fs::path files = root / "Files";
  // A history of one game, which a run without play writes back unchanged.
  const std::string scores =
      "120|Ann|0|65150126130|0|2|0|1\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";
  {
    std::ofstream out(files / "256" / "scores.dat", std::ios::binary);
    out << scores;
  }
  const fs::path log = files / "Debug.txt";

  // Started from another folder: the game finds its data beside itself.
  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);

  // The loading hold, then the title's slide-in.
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(Running(pid));
  input.MovePointer(400, 300);

  const fs::path shot = Screenshot(input, log, files);
  ASSERT_FALSE(shot.empty()) << ReadAll(log);
  KeepShot(shot, "title_screen.png");

  input.Tap(kTab);
  ASSERT_TRUE(WaitFor([&] { return fs::exists(files / "Setup.ini"); }));
  const std::string setup = ReadAll(files / "Setup.ini");
  EXPECT_EQ(setup.rfind("[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=800\r\nHeight=600\r\n", 0), 0u)
      << setup;
  EXPECT_NE(setup.find("\r\n[Controls]\r\nKey=0,38\r\n"), std::string::npos) << setup;

  // Apply in the open overlay (virtual 20, 280 on the 800x600 window, once
  // the overlay has come down) reopens the display and slides the overlay
  // away.
  ASSERT_TRUE(input.WaitFrames(kOverlayFrames));
  input.MovePointer(14, 176);
  input.Click();
  const std::string rule = "-=-=-=-=-=-=-=-=-=-=-=-=-=-\r\n";
  ASSERT_TRUE(WaitFor([&] { return Count(ReadAll(log), rule) >= 4; })) << ReadAll(log);
  const std::string after_apply = ReadAll(log);
  EXPECT_NE(after_apply.find("Applying Graphical Settings\r\n\tChanged Graphics Mode ingame.\r\n\tUsing OpenGL Driver\r\n"),
            std::string::npos)
      << after_apply;
  EXPECT_EQ(Count(after_apply, rule), 4u);
  ASSERT_TRUE(Running(pid));
  input.MovePointer(400, 300);
  ASSERT_TRUE(input.WaitFrames(kOverlayFrames));
  const fs::path first = Screenshot(input, log, files);
  ASSERT_FALSE(first.empty());

  // Down moves to the next pack and Up back again: the pack titles change
  // and return.
  input.Tap(kDown);
  const fs::path next = Screenshot(input, log, files);
  input.Tap(kUp);
  const fs::path back = Screenshot(input, log, files);
  ASSERT_FALSE(next.empty());
  ASSERT_FALSE(back.empty());
  EXPECT_NE(PackArea(next), PackArea(first));
  EXPECT_EQ(PackArea(back), PackArea(first));
  KeepShot(next, "title_screen_next_pack.png");
  ASSERT_TRUE(Running(pid));

  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));

  const std::string text = ReadAll(log);
  EXPECT_EQ(text.rfind("Quoradin's Tamblewick Engine\r\n----------------------------\r\nWeek #256\r\n", 0), 0u);
  for (const char* group : {"Loading\r\nSetting Audio Driver\r\nSet Audio Driver\r\n\r\n\tRequested Resolution : 800x600\r\n",
                            "\r\n-=-=-=-=-=-=-=-=-=-=-=-=-=-\r\nApplying Graphical Settings\r\n\tUsing OpenGL Driver\r\n"
                            "\tResolution : 800x600,0\r\n\r\nLoading : Common Objects\r\n",
                            "Sounds loaded\r\n\r\nStarting Engine Test\r\n",
                            "-=-=-=-=-=-=-=-=-=-=-=-=-=-\r\nFinished Loading\r\n",
                            "\r\n\tScreenshot\r\n\tGrabbing Screenshot\r\n\tSaving Screenshot : "}) {
    EXPECT_NE(text.find(group), std::string::npos) << group;
  }
  const std::string exit_group = "Closing Up\r\n\r\nBye!\r\n\r\nPlay again, soon!!\r\n";
  ASSERT_GE(text.size(), exit_group.size());
  EXPECT_EQ(text.substr(text.size() - exit_group.size()), exit_group);
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), scores);
  EXPECT_FALSE(fs::exists(files / "256" / "crash.dat"));

  fs::remove_all(root);
}

}  // namespace

// The real game's editor with the real pointer: the player's own level is
// chosen on the title screen, Space opens the overview, a click paints a
// cell, the autosave writes the level, and the game ends cleanly with the
// file whole.
#include <gtest/gtest.h>

#include <string>

#include "e2e_util.h"

namespace {

using namespace e2e;

// The 800x600 window shows the 1280x960 virtual screen at 5/8.
int Window(int virtualCoordinate) { return virtualCoordinate * 5 / 8; }

class EditorEndToEnd : public GameRun {};

TEST_F(EditorEndToEnd, AClickInTheOverviewIsSavedAndTheFileStaysWhole) {
  const fs::path root = CopyGame(source, "editor_e2e");
  const fs::path files = root / "Files";
  const fs::path levels = root / "DuskmoorII_Levels";
  const fs::path log = files / "Debug.txt";
  const fs::path mine = levels / "My Level.xml";

  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(Running(pid));
  const std::string fresh = ReadAll(mine);
  ASSERT_EQ(fresh.size(), 830u);

  // Up from the first level wraps round to "xx - Your Level", which sorts
  // after every shipped level; start it and leave its map screen.
  input.Tap(kUp);
  input.Tap(kLetterZ);
  ASSERT_TRUE(input.WaitFrames(kMapFadeFrames));
  input.Tap(kLetterZ);
  ASSERT_TRUE(input.WaitFrames(kMapFadeFrames + kFramesPerAction));
  ASSERT_TRUE(Running(pid));

  // Space: the overview, which eases out to zoom 4 a sixth of the way each
  // frame. Column 5 of the top half is then at virtual x 436..468, y
  // 193..449.
  input.Tap(kSpace);
  ASSERT_TRUE(input.WaitFrames(30));
  input.MovePointer(Window(452), Window(300));
  input.Click();
  // The autosave runs in the first frame with both buttons up.
  ASSERT_TRUE(WaitFor([&] { return ReadAll(mine) != fresh; }));
  const std::string saved = ReadAll(mine);
  EXPECT_NE(saved.find("<position>0,0</position>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("5:wall"), std::string::npos) << saved;
  const fs::path overview = Screenshot(input, log, files);
  ASSERT_FALSE(overview.empty()) << ReadAll(log);
  KeepShot(overview, "editor_overview.png");

  // Esc, Quit, the name, the title, the farewell.
  input.Tap(kEscape);
  input.Tap(kDown);
  input.Tap(kSpace);
  ASSERT_TRUE(WaitForNameEntry(input));
  const std::string history = ReadAll(files / "256" / "scores.dat");
  input.Tap(kReturn);
  ASSERT_TRUE(WaitFor([&] { return ReadAll(files / "256" / "scores.dat") != history; }));
  ASSERT_TRUE(input.WaitFrames(kTitleFrames));
  ASSERT_TRUE(Running(pid));
  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));
  // The file is as the autosave left it: whole, and it still holds the wall.
  EXPECT_EQ(ReadAll(mine), saved);
  fs::remove_all(root);
}

}  // namespace

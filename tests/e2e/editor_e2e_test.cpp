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
  ASSERT_TRUE(WaitForText(log, "Finished Loading\r\n", 180)) << ReadAll(log);
  Sleep(4000);
  ASSERT_TRUE(Running(pid));
  ASSERT_TRUE(input.FindWindow("Duskmoor"));
  const std::string fresh = ReadAll(mine);
  ASSERT_EQ(fresh.size(), 830u);

  // Up from the first level wraps round to "xx - Your Level", which sorts
  // after every shipped level; start it and leave its map screen.
  input.Tap(kUp);
  Sleep(500);
  input.Tap(kLetterZ);
  Sleep(2500);
  input.Tap(kLetterZ);
  Sleep(2500);
  ASSERT_TRUE(Running(pid));

  // Space: the overview, settled at zoom 4 after a second. Column 5 of the
  // top half is at virtual x 436..468, y 193..449.
  input.Tap(kSpace);
  Sleep(1500);
  input.MovePointer(Window(452), Window(300));
  Sleep(500);
  input.Click();
  // The autosave runs in the first frame with both buttons up.
  std::string saved;
  for (int wait = 0; wait < 40; ++wait) {
    saved = ReadAll(mine);
    if (saved != fresh) break;
    Sleep(250);
  }
  ASSERT_NE(saved, fresh);
  EXPECT_NE(saved.find("<position>0,0</position>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("5:wall"), std::string::npos) << saved;
  const fs::path overview = Screenshot(input, log, files);
  ASSERT_FALSE(overview.empty()) << ReadAll(log);
  KeepShot(overview, "editor_overview.png");

  // Esc, Quit, the name, the title, the farewell.
  input.Tap(kEscape);
  Sleep(500);
  input.Tap(kDown);
  input.Tap(kSpace);
  Sleep(2500);
  input.Tap(kReturn);
  Sleep(2500);
  ASSERT_TRUE(Running(pid));
  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));
  // The file is as the autosave left it: whole, and it still holds the wall.
  EXPECT_EQ(ReadAll(mine), saved);
  fs::remove_all(root);
}

}  // namespace

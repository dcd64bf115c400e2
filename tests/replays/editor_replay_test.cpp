// The editor through the replay tool: a player's own level edited with the
// pointer and the keyboard is saved while they work, reads back whole, and
// plays.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "level/level_browser.h"
#include "replay_lib.h"

namespace {

namespace fs = std::filesystem;

// Frames of the edit, at 1280x960 with the overview settled at zoom 4: the
// room's corner is at (276, 193), a cell 32 wide and 256 tall per half.
const char kEditScript[] = R"(# Space opens the overview; hovering makes the room, the left button
# paints a wall, the palette's gem and bat are painted too, the room's title
# is typed, and Space closes the overview again.
5 space
100 mouse 452 300
101-102 lmb
110 mouse 352 800
111 lmb
120 mouse 548 300
121 lmb
130 mouse 664 800
131 lmb
140 mouse 740 549
141 lmb
150 mouse 26 35
151 lmb
155 type Cave
170 enter
180 space
end 220
)";

class EditorReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::FreshGlobals();
    dir_ = fs::temp_directory_path() / ("duskmoor-editor-replay-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "in");
    testutil::WriteBytes((dir_ / "in" / "My Level.xml").string(), DefaultLevelText() + "\r\n");
  }
  void TearDown() override { fs::remove_all(dir_); }

  replay::Report Play(const std::string& level, const std::string& script, const std::string& keep) {
    replay::Options options;
    options.level = level;
    options.keep = keep;
    std::ostringstream trace;
    return replay::Run(options, replay::ParseScript(script, "edit"), trace);
  }

  fs::path dir_;
};

TEST_F(EditorReplayTest, AnEditedLevelIsSavedWhileWorkingReadsBackAndPlays) {
  const fs::path kept = dir_ / "kept";
  const replay::Report edit = Play((dir_ / "in" / "My Level.xml").string(), kEditScript, kept.string());
  EXPECT_EQ(edit.state, "playing");
  EXPECT_EQ(edit.level, "xx - Your Level");
  EXPECT_EQ(edit.frames, 220);

  // The autosave wrote the level while the editor ran.
  const fs::path saved = kept / "DuskmoorII_Levels" / "My Level.xml";
  const std::string text = testutil::ReadBytes(saved.string());
  for (const char* want : {"<title>Cave</title>", "<position>0,0</position>", "5:wall", "8:gem", "14:bat"}) {
    EXPECT_NE(text.find(want), std::string::npos) << want << " in\n" << text;
  }
  // The input file itself was not touched.
  EXPECT_EQ(testutil::ReadBytes((dir_ / "in" / "My Level.xml").string()), DefaultLevelText() + "\r\n");

  // The saved level plays: its bat comes alive when the room is entered.
  const replay::Report play = Play(saved.string(), "end 30\n", "");
  EXPECT_EQ(play.state, "playing");
  EXPECT_EQ(play.roomX, 0);
  EXPECT_EQ(play.roomY, 0);
  EXPECT_EQ(play.objects, 1);
}

}  // namespace

// The real game keeps its score history: two games quit from the pause menu
// are named in the name entry, reach "scores.dat" at once, show in the title
// screen's score panel, survive a kill of the process and a restart.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

constexpr unsigned long kBackSpace = 0xff08;

// The record lines of a history file (every other line, CR LF ended).
std::vector<std::string> RecordLines(const fs::path& file) {
  std::vector<std::string> out;
  const std::string text = ReadAll(file);
  size_t start = 0;
  for (int n = 0; start < text.size(); ++n) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    if (n % 2 == 0) out.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

bool WaitForRecords(const fs::path& file, size_t count, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (RecordLines(file).size() == count) return true;
    Sleep(100);
  }
  return false;
}

class ScoresEndToEnd : public GameRun {
 protected:
  // Start, skip the map, quit from the pause menu, then name the game.
  void PlayQuitAndName(const std::vector<unsigned long>& letters) {
    input.Tap(kLetterZ);
    Sleep(1500);
    input.Tap(kLetterZ);
    Sleep(3000);
    input.Tap(kEscape);
    Sleep(500);
    input.Tap(kDown);
    input.Tap(kSpace);
    // The game's 1.5 s hold, then the name entry, which starts from the last name.
    Sleep(3000);
    for (int i = 0; i < 12; ++i) input.Tap(kBackSpace);
    for (unsigned long l : letters) input.Tap(l);
    input.Tap(kReturn);
    Sleep(2500);
  }
};

TEST_F(ScoresEndToEnd, TwoGamesShowOnTheTitleAndSurviveAKillAndARestart) {
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "map.png")) << "the game data is not generated";
  const fs::path root = CopyGame(source, "scores_e2e");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  const fs::path scores = files / "256" / "scores.dat";
  fs::remove(scores);

  pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForText(log, "Finished Loading\r\n", 180)) << ReadAll(log);
  Sleep(4000);
  input.MovePointer(10, 590);

  PlayQuitAndName({kLetterA, 0x6e, 0x6e});  // "ann"
  ASSERT_TRUE(Running(pid));
  // On disk as soon as the game has its record.
  ASSERT_TRUE(WaitForRecords(scores, 1, 10)) << ReadAll(scores);
  PlayQuitAndName({0x62, 0x6f});  // "bo"
  ASSERT_TRUE(WaitForRecords(scores, 2, 10)) << ReadAll(scores);
  const auto lines = RecordLines(scores);
  EXPECT_EQ(lines[0].substr(0, 5), "0|bo|");
  EXPECT_EQ(lines[1].substr(0, 6), "0|ann|");
  EXPECT_NE(lines[0].find("|1"), std::string::npos);  // quit from the pause menu

  input.MovePointer(10, 590);
  Sleep(1000);
  const fs::path title = Screenshot(input, log, files);
  ASSERT_FALSE(title.empty()) << ReadAll(log);
  KeepShot(title, "scores_title_two_games.png");

  // A kill right after leaves the history whole.
  const std::string before = ReadAll(scores);
  kill(pid, SIGKILL);
  WaitForExit(pid, 30);
  EXPECT_EQ(ReadAll(scores), before);
  EXPECT_FALSE(fs::exists(files / "256" / "scores.dat.tmp"));

  // A restart reads it back: the panel shows both again, and the farewell
  // screen writes the same two games.
  pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForText(log, "Finished Loading\r\n", 180)) << ReadAll(log);
  Sleep(4000);
  input.MovePointer(10, 590);
  const fs::path again = Screenshot(input, log, files);
  ASSERT_FALSE(again.empty()) << ReadAll(log);
  KeepShot(again, "scores_title_after_restart.png");
  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));
  EXPECT_EQ(ReadAll(scores), before);
  fs::remove_all(root);
}

}  // namespace

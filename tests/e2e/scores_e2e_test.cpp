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

bool WaitForRecords(const fs::path& file, size_t count) {
  return WaitFor([&] { return RecordLines(file).size() == count; });
}

class ScoresEndToEnd : public GameRun {
 protected:
  // Start, skip the map, quit from the pause menu, then name the game; back
  // on the title once its panels have slid in again.
  void PlayQuitAndName(const std::vector<unsigned long>& letters, const fs::path& scores, size_t records) {
    input.Tap(kLetterZ);
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames));
    input.Tap(kLetterZ);
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames + kFramesPerAction));
    input.Tap(kEscape);
    input.Tap(kDown);
    input.Tap(kSpace);
    // The name entry starts from the last name.
    ASSERT_TRUE(WaitForNameEntry(input));
    for (int i = 0; i < 12; ++i) input.Tap(kBackSpace);
    for (unsigned long l : letters) input.Tap(l);
    input.Tap(kReturn);
    // On disk as soon as the game has its record.
    ASSERT_TRUE(WaitForRecords(scores, records)) << ReadAll(scores);
    ASSERT_TRUE(input.WaitFrames(kTitleFrames));
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
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  input.MovePointer(10, 590);

  ASSERT_NO_FATAL_FAILURE(PlayQuitAndName({kLetterA, 0x6e, 0x6e}, scores, 1));  // "ann"
  ASSERT_TRUE(Running(pid));
  ASSERT_NO_FATAL_FAILURE(PlayQuitAndName({0x62, 0x6f}, scores, 2));  // "bo"
  const auto lines = RecordLines(scores);
  EXPECT_EQ(lines[0].substr(0, 5), "0|bo|");
  EXPECT_EQ(lines[1].substr(0, 6), "0|ann|");
  EXPECT_NE(lines[0].find("|1"), std::string::npos);  // quit from the pause menu

  input.MovePointer(10, 590);
  const fs::path title = Screenshot(input, log, files);
  ASSERT_FALSE(title.empty()) << ReadAll(log);
  KeepShot(title, "scores_title_two_games.png");

  // A kill right after leaves the history whole.
  const std::string before = ReadAll(scores);
  kill(pid, SIGKILL);
  WaitForExit(pid);
  EXPECT_EQ(ReadAll(scores), before);
  EXPECT_FALSE(fs::exists(files / "256" / "scores.dat.tmp"));

  // A restart reads it back: the panel shows both again, and the farewell
  // screen writes the same two games.
  fs::remove(log);
  pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  input.MovePointer(10, 590);
  const fs::path again = Screenshot(input, log, files);
  ASSERT_FALSE(again.empty()) << ReadAll(log);
  KeepShot(again, "scores_title_after_restart.png");
  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));
  EXPECT_EQ(ReadAll(scores), before);
  fs::remove_all(root);
}

}  // namespace

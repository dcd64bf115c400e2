// The real game killed outright (SIGKILL) at random moments while it writes
// the player's files: the editor's autosave of "My Level.xml" after each
// painted cell, and "scores.dat" (with "Setup.ini" from a Tab just before)
// when a game has been named. After every kill each file is whole: the
// version from before the write or the one the write made, never a mix,
// as the game's own readers see it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "e2e_util.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "platform/list.h"
#include "scores/history.h"
#include "settings/settings_file.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

using namespace e2e;

constexpr unsigned long kBackSpace = 0xff08;

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The 800x600 window shows the 1280x960 virtual screen at 5/8.
int Window(int virtualCoordinate) { return virtualCoordinate * 5 / 8; }

class KillEndToEnd : public GameRun {
 protected:
  void SetUp() override {
    GameRun::SetUp();
    if (IsSkipped()) return;
    const char* seed = std::getenv("KILL_SEED");
    rng_.seed(seed != nullptr ? static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)) : 20261210u);
    root_ = CopyGame(source, "kill_e2e");
    files_ = root_ / "Files";
    levels_ = root_ / "DuskmoorII_Levels";
    log_ = files_ / "Debug.txt";
  }
  void TearDown() override {
    if (pid_ > 0 && Running(pid_)) {
      kill(pid_, SIGKILL);
      WaitForExit(pid_, 30);
    }
    if (!root_.empty()) fs::remove_all(root_);
  }

  fs::path Mine() const { return levels_ / "My Level.xml"; }
  fs::path Setup() const { return files_ / "Setup.ini"; }
  fs::path Scores() const { return files_ / "256" / "scores.dat"; }

  int Between(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }

  // Starts the game and waits for the title screen to take input, with the
  // pointer over the window so that the keys reach it.
  void StartToTitle() {
    fs::remove(log_);
    pid_ = StartGame(root_);
    ASSERT_NE(pid_, 0);
    ASSERT_TRUE(WaitForTitle(input, log_)) << ReadAll(log_);
    ASSERT_TRUE(Running(pid_));
    input.MovePointer(Window(40), Window(900));
  }

  // Tab opens and closes the settings, writing "Setup.ini" each time; the
  // title takes the start control again once the overlay is up out of the
  // way.
  void TabTwice() {
    input.Tap(kTab);
    ASSERT_TRUE(input.WaitFrames(kOverlayFrames));
    input.Tap(kTab);
    ASSERT_TRUE(input.WaitFrames(kOverlayFrames));
  }

  // From the title: the pack above the first (the player's own level, whose
  // title sorts last) or the first pack, its map screen skipped once it has
  // faded in.
  void IntoPlay(bool mine) {
    if (mine) input.Tap(kUp);
    input.Tap(kLetterZ);
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames));
    input.Tap(kLetterZ);
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames + kFramesPerAction));
  }

  // Quit from the pause menu; the name entry follows the game's hold.
  void QuitToNameEntry() {
    input.Tap(kEscape);
    input.Tap(kDown);
    input.Tap(kSpace);
    ASSERT_TRUE(WaitForNameEntry(input));
  }

  int Kill() {
    kill(pid_, SIGKILL);
    const int status = WaitForExit(pid_);
    pid_ = 0;
    return status;
  }

  // Waits until the file holds something other than `now`, looking every
  // millisecond or two so that a write caught half done would show, and
  // adds it to `seen` when it is new; returns it.
  std::string NextContent(const fs::path& file, const std::string now, std::vector<std::string>& seen) {
    const auto until = GuardFrom();
    std::string next = ReadAll(file);
    while (next == now && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::microseconds(1500));
      next = ReadAll(file);
    }
    EXPECT_NE(next, now) << file << " was not written";
    if (std::find(seen.begin(), seen.end(), next) == seen.end()) seen.push_back(next);
    return next;
  }

  // Space in the player's own level: the editor's overview, eased out to
  // its zoom a sixth of the way each frame.
  void IntoOverview() {
    input.Tap(kSpace);
    ASSERT_TRUE(input.WaitFrames(30));
  }

  // The overview's cell `column` of the top half, in window pixels.
  void PointAtColumn(int column) { input.MovePointer(Window(292 + 32 * column), Window(300)); }

  std::mt19937 rng_;
  fs::path root_, files_, levels_, log_;
  pid_t pid_ = 0;
};

// The game's readers: the level's rooms as the reader fills them, and the
// settings as they land in the tables.
int RoomsRead(const fs::path& root) {
  ResolvePaths(root.string());
  GetLevel(kMyLevelFile);
  return rooms.Count();
}

// What the settings reader takes from the file: the display, the volumes and
// player 1's controls.
std::string SettingsRead(const fs::path& ini) {
  Options.fill(0);
  KeyV.fill(0);
  ReadSetupFile(ini.string());
  std::string out;
  for (int i : {5, 6, 11, 12, 13}) out += std::to_string(Options[static_cast<size_t>(i)]) + ",";
  for (int i = 0; i < 14; ++i) out += std::to_string(KeyV[static_cast<size_t>(i)]) + ",";
  return out;
}

// The settings after a kill: the old file, or a whole new one. A start that
// finds the machine slow turns frame skip on, and the next write keeps it,
// so the new file may differ; what the reader takes of the display, the
// volumes and the controls (the last block of the file) stays the same.
void ExpectSettingsWhole(const fs::path& ini, const std::string& old, const std::string& oldRead, int kill) {
  const std::string now = ReadAll(ini);
  if (now == old) return;
  EXPECT_EQ(SettingsRead(ini), oldRead) << "kill " << kill << " left settings that read differently:\n" << now;
  const std::string tail = old.substr(old.rfind("Key="));
  EXPECT_TRUE(now.size() >= tail.size() && now.compare(now.size() - tail.size(), tail.size(), tail) == 0)
      << "kill " << kill << " left settings cut short:\n" << now;
}

// The history as the reader takes it, written out again by the game's own
// line writers: equal to the file only when the file is whole.
std::string ScoresRead(const fs::path& root, int& count, std::string& newestName) {
  ResolvePaths(root.string());
  ClearList(Highscores);
  LoadScores();
  count = Highscores.Count();
  newestName = count > 0 ? (*Highscores.begin())->Name : "";
  std::string out;
  for (const auto& rec : Highscores) out += ScoreRecordLine(*rec) + "\r\n" + ScoreBestLine(*rec) + "\r\n";
  return out;
}

constexpr int kEditorKills = 10;
constexpr int kScoreKills = 10;
constexpr int kCells = 3;

TEST_F(KillEndToEnd, KillsDuringEditorAutosavesLeaveTheOldOrTheNewLevel) {
  // A rehearsal learns every version the same edits write: the level as the
  // game makes it, what entering it in the editor writes, then one more wall
  // per click.
  ASSERT_NO_FATAL_FAILURE(StartToTitle());
  std::vector<std::string> versions = {ReadAll(Mine())};
  ASSERT_FALSE(versions[0].empty());
  ASSERT_NO_FATAL_FAILURE(TabTwice());
  ASSERT_NO_FATAL_FAILURE(IntoPlay(true));
  ASSERT_NO_FATAL_FAILURE(IntoOverview());
  // Anything the editor writes without a click it writes in the frame that
  // made it.
  if (ReadAll(Mine()) != versions.back()) versions.push_back(ReadAll(Mine()));
  const size_t before_clicks = versions.size();
  for (int column = 1; column <= kCells; ++column) {
    PointAtColumn(column);
    input.Click();
    // The cell is painted while the button is down, the file written in the
    // first frame it is up.
    NextContent(Mine(), versions.back(), versions);
    ASSERT_EQ(versions.size(), before_clicks + static_cast<size_t>(column)) << "click " << column << " was not saved";
  }
  ASSERT_TRUE(Running(pid_));
  Kill();
  const std::string settings = ReadAll(Setup());
  ASSERT_FALSE(settings.empty());
  const std::string settingsRead = SettingsRead(Setup());
  ASSERT_EQ(settingsRead.substr(0, 8), "800,600,");
  std::vector<int> roomsOf;
  for (const std::string& v : versions) {
    WriteBytes(Mine(), v);
    roomsOf.push_back(RoomsRead(root_));
  }

  int inside = 0;  // kills that left a write's temporary file behind
  std::vector<int> landed(versions.size(), 0);
  for (int k = 0; k < kEditorKills; ++k) {
    WriteBytes(Mine(), versions[0]);
    WriteBytes(Setup(), settings);
    fs::remove(Mine().string() + ".tmp");
    ASSERT_NO_FATAL_FAILURE(StartToTitle());
    ASSERT_NO_FATAL_FAILURE(IntoPlay(true));
    ASSERT_NO_FATAL_FAILURE(IntoOverview());
    std::string now = ReadAll(Mine());
    std::vector<std::string> seen = {now};
    // The kill comes in one click, at a moment around the autosave that
    // follows the button's release: a few milliseconds before it comes up
    // (the cell painted, nothing saved), or a little after.
    const int last = Between(1, kCells);
    const int after = Between(0, 9) < 8 ? Between(-40, 30) : Between(30, 200);
    for (int column = 1; column <= last; ++column) {
      PointAtColumn(column);
      input.Button(true);
      if (column < last) {
        input.Button(false);
        now = NextContent(Mine(), now, seen);
      } else if (after < 0) {
        Sleep(40 + after);
      } else {
        input.SendButton(false);
        Sleep(after);
      }
    }
    ASSERT_TRUE(Running(pid_)) << ReadAll(log_);
    Kill();
    // The X server still holds the button of a kill that came first.
    input.SendButton(false);
    const std::string left = ReadAll(Mine());
    const auto at = std::find(versions.begin(), versions.end(), left);
    ASSERT_NE(at, versions.end()) << "kill " << k << " (click " << last << ", " << after
                                  << " ms after its release) left a level file that no save wrote:\n"
                                  << left;
    const size_t index = static_cast<size_t>(at - versions.begin());
    ++landed[index];
    EXPECT_EQ(RoomsRead(root_), roomsOf[index]);
    for (const std::string& s : seen) EXPECT_NE(std::find(versions.begin(), versions.end(), s), versions.end());
    ExpectSettingsWhole(Setup(), settings, settingsRead, k);
    if (fs::exists(Mine().string() + ".tmp")) ++inside;
    std::cout << "kill " << k << ": click " << last << ", " << after << " ms after its release: version " << index
              << (fs::exists(Mine().string() + ".tmp") ? " (inside a write)" : "") << "\n";
  }
  std::cout << "editor kills: " << kEditorKills << ", " << inside << " inside a write; versions left:";
  for (size_t i = 0; i < landed.size(); ++i) std::cout << " " << i << "x" << landed[i];
  std::cout << "\n";
}

TEST_F(KillEndToEnd, KillsDuringScoreSavesLeaveTheOldOrTheNewHistory) {
  // One named game first, so that the history and the settings exist.
  ASSERT_NO_FATAL_FAILURE(StartToTitle());
  ASSERT_NO_FATAL_FAILURE(TabTwice());
  ASSERT_NO_FATAL_FAILURE(IntoPlay(false));
  ASSERT_NO_FATAL_FAILURE(QuitToNameEntry());
  input.Tap(kLetterA);
  input.Tap(kReturn);
  ASSERT_TRUE(WaitForText(Scores(), "|"));
  Kill();
  const std::string history = ReadAll(Scores());
  const std::string settings = ReadAll(Setup());
  ASSERT_FALSE(settings.empty());
  const std::string settingsRead = SettingsRead(Setup());
  ASSERT_EQ(settingsRead.substr(0, 8), "800,600,");
  const std::string level = ReadAll(Mine());
  int baseCount = 0;
  std::string baseName;
  ASSERT_EQ(ScoresRead(root_, baseCount, baseName), history);
  ASSERT_EQ(baseCount, 1);

  int inside = 0, kept = 0, added = 0;
  for (int k = 0; k < kScoreKills; ++k) {
    WriteBytes(Scores(), history);
    WriteBytes(Setup(), settings);
    fs::remove(Scores().string() + ".tmp");
    fs::remove(Setup().string() + ".tmp");
    ASSERT_NO_FATAL_FAILURE(StartToTitle());
    ASSERT_NO_FATAL_FAILURE(IntoPlay(false));
    ASSERT_NO_FATAL_FAILURE(QuitToNameEntry());
    // The entry starts from the last name; its last letter changes.
    std::string name = baseName;
    if (!name.empty()) name.pop_back();
    name += static_cast<char>('b' + k);
    input.Tap(kBackSpace);
    input.Tap(kLetterA + static_cast<unsigned long>(1 + k));
    // Tab (a press the next frame counts however short it was) rewrites the
    // settings in the frame that takes the name on Enter; the history is
    // written once Enter is up again. The kill comes within moments of Enter
    // going down, around that frame, or within moments of Enter's release
    // once the game holds the name and waits for the key to come up.
    input.SendKey(kTab, true);
    input.SendKey(kTab, false);
    input.SendKey(kReturn, true);
    const int pick = Between(0, 9);
    const int after = pick < 3 ? -Between(1, 50) : pick < 8 ? Between(0, 40) : Between(40, 200);
    if (after < 0) {
      Sleep(60 + after);
    } else {
      ASSERT_TRUE(input.Settle());
      input.SendKey(kReturn, false);
      Sleep(after);
    }
    ASSERT_TRUE(Running(pid_)) << ReadAll(log_);
    Kill();
    input.SendKey(kReturn, false);

    const std::string left = ReadAll(Scores());
    int count = 0;
    std::string newest;
    const std::string reread = ScoresRead(root_, count, newest);
    EXPECT_EQ(reread, left) << "kill " << k << " left a history its reader does not take whole";
    if (left == history) {
      ++kept;
    } else {
      ++added;
      EXPECT_EQ(count, baseCount + 1) << left;
      EXPECT_EQ(newest, name) << left;
      EXPECT_NE(left.find(history), std::string::npos) << "the older game is not kept whole";
    }
    ExpectSettingsWhole(Setup(), settings, settingsRead, k);
    EXPECT_EQ(ReadAll(Mine()), level);
    const bool mid = fs::exists(Scores().string() + ".tmp") || fs::exists(Setup().string() + ".tmp");
    if (mid) ++inside;
    std::cout << "kill " << k << ": " << after << " ms after Enter came up: " << (left == history ? "old" : "new")
              << " history" << (mid ? " (inside a write)" : "") << "\n";
  }
  std::cout << "score kills: " << kScoreKills << ", old history " << kept << ", new " << added << ", " << inside
            << " inside a write\n";
}

}  // namespace

// The score history file: written and read back byte for byte, damaged files
// read without harm, the atomic replace, files that cannot be read left alone,
// and failed saves told to the player.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "common/memory_ceiling.h"
#include "common/test_util.h"
#include "framework/globals.h"
#include "game/end_of_play.h"
#include "game/game_state.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "scores/history.h"
#include "scores/score_records.h"
#include "common/memory_ceiling.h"
#include "scores_fixture.h"
#include "settings/not_a_file.h"
#include "settings/common_assets.h"
#include "settings/farewell.h"

namespace {

using HistoryTest = ScoresTest;

std::string ZeroBest() {
  std::string s = "0";
  for (int k = 2; k <= 30; ++k) s += "|0";
  return s;
}

std::vector<std::shared_ptr<Scores>> History() { return Highscores.ToVector(); }

std::string Field(const std::string& line, size_t k) {
  size_t start = 0;
  for (size_t i = 1; i < k; ++i) start = line.find('|', start) + 1;
  return line.substr(start, line.find('|', start) - start);
}

TEST_F(HistoryTest, ExampleRecordIsStoredAsTwoLines) {
  auto r = Rec(120, 65150126130, "Ann", 2);
  r->Quit = 1;
  ListAddLast(Highscores, r);
  ASSERT_TRUE(SaveScores());
  EXPECT_EQ(testutil::ReadBytes(ScoresFile()), "120|Ann|0|65150126130|0|2|0|1\r\n" + ZeroBest() + "\r\n");
}

TEST_F(HistoryTest, WrittenAndReadBackByteForByte) {
  // Newest first after the write, equal stamps in list order.
  const struct {
    int64_t score, stamp;
    const char* name;
    int32_t badges, level, mode, flags, quit;
  } in[] = {
      {7, 100, "Bo", 5, 1, 2, 3, 0},
      {-40, 300, "Cy d", 0, 0, 0, 0, 1},
      {INT64_MAX, 200, "\xe9t\xe9", 1073741823, 0, 4, 0, 0},
      {0, 300, "", 0, 0, 0, 0, 0},
      {INT64_MIN, INT64_MIN, "Min", INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
      {12, INT64_MAX, "Max", 0, 0, 0, 0, 0},
  };
  for (const auto& i : in) {
    auto r = Rec(i.score, i.stamp, i.name, i.mode);
    r->Badges = i.badges;
    r->Level = i.level;
    r->GameFlags = i.flags;
    r->Quit = i.quit;
    for (int k = 1; k <= 30; ++k) r->Best[k] = k * 1000 + static_cast<int>(i.stamp % 7);
    ListAddLast(Highscores, r);
  }
  ASSERT_TRUE(SaveScores());
  const std::string first = testutil::ReadBytes(ScoresFile());
  const auto lines = testutil::CrlfLines(first);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "12|Max|0|9223372036854775807|0|0|0|0");
  EXPECT_EQ(lines[2], "-40|Cy d|0|300|0|0|0|1");
  EXPECT_EQ(lines[4], "0||0|300|0|0|0|0");
  EXPECT_EQ(lines[10],
            "-9223372036854775808|Min|-2147483648|-9223372036854775808|-2147483648|-2147483648|-2147483648|-2147483648");

  const auto before = History();
  ClearList(Highscores);
  LoadScores();
  const auto after = History();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i]->Score, before[i]->Score) << i;
    EXPECT_EQ(after[i]->Timestamp, before[i]->Timestamp) << i;
    EXPECT_EQ(after[i]->Name, before[i]->Name) << i;
    EXPECT_EQ(after[i]->Badges, before[i]->Badges) << i;
    EXPECT_EQ(after[i]->Level, before[i]->Level) << i;
    EXPECT_EQ(after[i]->GameMode, before[i]->GameMode) << i;
    EXPECT_EQ(after[i]->GameFlags, before[i]->GameFlags) << i;
    EXPECT_EQ(after[i]->Quit, before[i]->Quit) << i;
    EXPECT_EQ(after[i]->Best, before[i]->Best) << i;
  }
  EXPECT_EQ(MyName, "Max");
  ASSERT_TRUE(SaveScores());
  EXPECT_EQ(testutil::ReadBytes(ScoresFile()), first);
}

TEST_F(HistoryTest, ReadingNormalisesWhatTheFormatCannotKeep) {
  auto r = Rec(5, 10, "  padded  ");
  r->Badges = -3;
  r->Quit = -1;
  r->Best[0] = 9;
  r->Best[4] = -77;
  ListAddLast(Highscores, r);
  SaveScores();
  ClearList(Highscores);
  LoadScores();
  ASSERT_EQ(Highscores.Count(), 1);
  const auto got = Highscores.First();
  EXPECT_EQ(got->Name, "padded");
  EXPECT_EQ(got->Badges, 3);
  EXPECT_EQ(got->Quit, 1);
  EXPECT_EQ(got->Best[0], 0);
  EXPECT_EQ(got->Best[4], 77);
}

TEST_F(HistoryTest, EmptyHistoryAndEmptyFile) {
  ASSERT_TRUE(SaveScores());
  EXPECT_EQ(FileType(ScoresFile()), 1);
  EXPECT_EQ(testutil::ReadBytes(ScoresFile()), "");
  MyName = "Kept";
  ListAddLast(Highscores, Rec(1, 1));
  LoadScores();
  EXPECT_EQ(Highscores.Count(), 0);
  EXPECT_EQ(MyName, "Kept");
}

TEST_F(HistoryTest, MissingFileChangesNothingAndIsCreatedAtTheNextSave) {
  ListAddLast(Highscores, Rec(1, 1, "Here"));
  MyName = "Typed";
  LoadScores();
  EXPECT_EQ(Highscores.Count(), 1);
  EXPECT_EQ(MyName, "Typed");
  EXPECT_FALSE(ScoresFileUnreadable);
  EXPECT_TRUE(LogLines().empty());
  EXPECT_TRUE(SaveScores());
  EXPECT_EQ(testutil::CrlfLines(testutil::ReadBytes(ScoresFile())).size(), 2u);
  EXPECT_EQ(comments.Count(), 0);
}

TEST_F(HistoryTest, AFileThatCannotBeReadIsNeverWrittenInThatRun) {
  const std::string file = "7|Old|0|10|0|0|0|0\r\n" + ZeroBest() + "\r\n8|Older|0|5|0|0|0|0\r\n" + ZeroBest() + "\r\n";
  struct Case {
    const char* what;
    std::function<void()> spoil;
    std::function<void()> mend;
    const char* reason;
  } cases[] = {
      {"no read permission",
       [] {
         // The tests may run as the superuser, whom permissions do not bind.
         SetOwnerPermissionsBind(true);
         chmod(ScoresFile().c_str(), 0);
       },
       [] { chmod(ScoresFile().c_str(), 0644); }, "Permission denied"},
      {"a read error part-way", [] { SetReadFailAfter(40); }, [] { SetReadFailAfter(-1); }, "Input/output error"},
      {"a folder of that name",
       [] {
         std::filesystem::remove(ScoresFile());
         std::filesystem::create_directory(ScoresFile());
       },
       [] {}, "a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearList(Highscores);
    ClearList(comments);
    ScoresNotSaved.Reset();
    OpenDebugLog(Paths.data + "Debug.txt");
    std::filesystem::remove_all(ScoresFile());
    testutil::WriteBytes(ScoresFile(), file);
    ListAddLast(Highscores, Rec(1, 1, "Here"));
    MyName = "Typed";
    c.spoil();

    LoadScores();
    // The history stays as it was, and the log names the file and the cause.
    ASSERT_EQ(Highscores.Count(), 1);
    EXPECT_EQ(Highscores.First()->Name, "Here");
    EXPECT_EQ(MyName, "Typed");
    EXPECT_TRUE(ScoresFileUnreadable);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"\t256/scores.dat could not be read (" + std::string(c.reason) +
                                                    "): it will not be written in this run"}));

    // Games finished in this run stay in memory; the file is not touched,
    // and the player hears of it once.
    ListAddLast(Highscores, Rec(500, 100, "New"));
    EXPECT_FALSE(SaveScores());
    c.mend();
    EXPECT_FALSE(SaveScores());
    EXPECT_EQ(Highscores.Count(), 2);
    if (FileType(ScoresFile()) == 1) {
      EXPECT_EQ(testutil::ReadBytes(ScoresFile()), file);
    } else {
      EXPECT_EQ(FileType(ScoresFile()), 2);
    }
    EXPECT_EQ(FileType(ScoresFile() + ".tmp"), 0);
    ASSERT_EQ(comments.Count(), 1);
    EXPECT_EQ(comments.First()->txt, "Scores not saved");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Scores not saved: 256/scores.dat could not be read at start and is left as it is");
    EXPECT_EQ(lines[2], lines[1]);
    SetOwnerPermissionsBind(false);
  }
  // A later reading that works takes the file's games and lifts the block.
  std::filesystem::remove_all(ScoresFile());
  testutil::WriteBytes(ScoresFile(), file);
  LoadScores();
  EXPECT_FALSE(ScoresFileUnreadable);
  EXPECT_EQ(Highscores.Count(), 2);
  EXPECT_EQ(MyName, "Old");
  EXPECT_TRUE(SaveScores());
}

// Something other than a file under the history's name is never opened, and
// the log names it. A folder, or a file that may not be read, stands where
// the player's file would: it is left as it is. Anything else (a pipe, a
// socket, a device, links in a loop) counts as missing: the history stays,
// and the next save writes the file in its place.
TEST_F(HistoryTest, WhatStandsInPlaceOfTheFileIsNamedAndNeverOpened) {
  const std::string file = "7|Old|0|10|0|0|0|0\r\n" + ZeroBest() + "\r\n";
  for (const testutil::NotAFile& kind : testutil::NotAFiles()) {
    SCOPED_TRACE(kind.what);
    testutil::RemoveNotAFile(ScoresFile());
    OpenDebugLog(Paths.data + "Debug.txt");
    ClearList(Highscores);
    ScoresNotSaved.Reset();
    ListAddLast(Highscores, Rec(1, 1, "Here"));
    MyName = "Typed";
    std::unique_ptr<testutil::PipeWatch> watch;
    if (!kind.put(ScoresFile(), file, watch)) {
      ASSERT_EQ(kind.what, "an endless device") << "could not be made";
      continue;
    }
    LoadScores();
    ASSERT_EQ(Highscores.Count(), 1);
    EXPECT_EQ(Highscores.First()->Name, "Here");
    EXPECT_EQ(MyName, "Typed");
    EXPECT_EQ(ScoresFileUnreadable, kind.file_like);
    const std::string line = kind.file_like ? "\t256/scores.dat could not be read (" + kind.named +
                                                  "): it will not be written in this run"
                                            : "\tCould not load 256/scores.dat (" + kind.named + ")";
    EXPECT_EQ(LogLines(), std::vector<std::string>{line});
    // Asked before the save takes the pipe's name.
    if (watch) {
      EXPECT_FALSE(watch->Opened()) << "the pipe was opened";
    }
    EXPECT_EQ(SaveScores(), !kind.file_like);
    SetOwnerPermissionsBind(false);
    if (kind.what == "a folder") {
      EXPECT_EQ(FileType(ScoresFile()), 2);
    } else if (kind.file_like) {
      EXPECT_EQ(testutil::ReadBytes(ScoresFile()), file);
    } else {
      EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(ScoresFile())));
      EXPECT_EQ(testutil::ReadBytes(ScoresFile()), "1|Here|0|1|0|0|0|0\r\n" + ZeroBest() + "\r\n");
    }
    EXPECT_EQ(FileType(ScoresFile() + ".tmp"), 0);
    watch.reset();
  }
  testutil::RemoveNotAFile(ScoresFile());
}

// Every damaged line that holds a bar is a game of its own, so a large
// damaged file can hold more games than there is memory for.
TEST_F(HistoryTest, RunningOutOfMemoryWhileReadingIsTakenAsAFileThatCannotBeRead) {
  std::string file;
  for (int i = 0; i < 20000; ++i) file += "|\r\n";
  testutil::WriteBytes(ScoresFile(), file);
  ListAddLast(Highscores, Rec(1, 1, "Here"));
  MyName = "Typed";
  testutil::SetMemoryCeiling(int64_t{256} << 10);
  LoadScores();
  testutil::LiftMemoryCeiling();
  ASSERT_EQ(Highscores.Count(), 1);
  EXPECT_EQ(Highscores.First()->Name, "Here");
  EXPECT_EQ(MyName, "Typed");
  EXPECT_TRUE(ScoresFileUnreadable);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "\t256/scores.dat could not be read (out of memory): it will not be written in this run"}));
  EXPECT_FALSE(SaveScores());
  EXPECT_EQ(testutil::ReadBytes(ScoresFile()), file);
}

TEST_F(HistoryTest, DamagedFilesReadWithoutHarm) {
  const std::string best = ZeroBest();
  struct Case {
    const char* what;
    std::string file;
    // Expected records in list order: score, name, stamp; and the name taken.
    std::vector<std::tuple<int64_t, std::string, int64_t>> records;
    std::string my_name;
  } cases[] = {
      {"short record line", "7|Bo\r\n" + best + "\r\n", {{7, "Bo", 0}}, "Bo"},
      {"letters in numbers", "12ab|Ann|x|99z|q|w|e|r\r\nfoo|bar\r\n", {{12, "Ann", 99}}, "Ann"},
      {"blank and stray lines", "\r\nhello\r\n\r\n3|C|0|5|0|0|0|0\r\n" + best + "\r\nbye\r\n", {{3, "C", 5}}, "C"},
      {"missing Best line shifts", "1|A|0|10|0|0|0|0\r\n2|B|0|20|0|0|0|0\r\n" + best + "\r\n",
       {{1, "A", 10}, {0, "0", 0}}, "A"},
      {"ends after a record line", "4|D|0|40|0|0|0|0", {{4, "D", 40}}, "D"},
      {"huge figures", "99999999999999999999999|E|99999999999999|-99999999999999999999999|9|9|9|9\r\n" + best,
       {{INT64_MAX, "E", INT64_MIN}}, "E"},
      {"hex and binary", "$FF|F|%101|$7fffffffffffffffff|0|0|0|0\r\n" + best, {{255, "F", INT64_MAX}}, "F"},
      {"negative figures", "-5|G|-1|-7|-2|-3|-4|-6\r\n-1|-2\r\n", {{-5, "G", -7}}, "G"},
      {"name with a bar", "8|H|I|0|50|0|0|0|1\r\n" + best + "\r\n", {{8, "H", 0}}, "H"},
      {"older first in the file", "1|Old|0|10|0|0|0|0\r\n" + best + "\r\n2|New|0|20|0|0|0|0\r\n" + best + "\r\n",
       {{2, "New", 20}, {1, "Old", 10}}, "Old"},
      {"only bars", "|||||||\r\n|\r\n|", {{0, "", 0}, {0, "", 0}}, ""},
      {"NUL and CR inside", std::string("5|N\0x|0|1\r\r\n", 13) + best, {{5, "N", 0}, {0, "0", 0}}, "N"},
  };
  for (const auto& c : cases) {
    ClearList(Highscores);
    MyName = "before";
    testutil::WriteBytes(ScoresFile(), c.file);
    LoadScores();
    const auto got = History();
    ASSERT_EQ(got.size(), c.records.size()) << c.what;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i]->Score, std::get<0>(c.records[i])) << c.what;
      EXPECT_EQ(got[i]->Name, std::get<1>(c.records[i])) << c.what;
      EXPECT_EQ(got[i]->Timestamp, std::get<2>(c.records[i])) << c.what;
    }
    EXPECT_EQ(MyName, c.my_name) << c.what;
  }
}

TEST_F(HistoryTest, DamagedFieldsInDetail) {
  testutil::WriteBytes(ScoresFile(), "1|A|0|10|0|0|0|0\r\n2|B|0|20|0|0|0|0\r\n" + ZeroBest() + "\r\n");
  LoadScores();
  // The second record line served as the first record's Best line, and the
  // Best line after it became a record of zeros.
  ASSERT_EQ(Highscores.Count(), 2);
  auto a = Highscores.First();
  EXPECT_EQ(a->Best[1], 2);
  EXPECT_EQ(a->Best[2], 0);  // "B"
  EXPECT_EQ(a->Best[4], 20);

  // A Best line without a bar fills slot 1 only; short Best lines give zeros.
  testutil::WriteBytes(ScoresFile(), "1|A|0|10|0|0|0|0\r\n42\r\n2|B|0|20|0|0|0|0\r\n5|6|7\r\n");
  LoadScores();
  const auto got = History();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1]->Best[1], 42);
  EXPECT_EQ(got[1]->Best[2], 0);
  EXPECT_EQ(got[0]->Best[3], 7);
  EXPECT_EQ(got[0]->Best[4], 0);
  EXPECT_EQ(got[0]->Best[30], 0);

  // Hand-edited 32-bit fields wrap rather than fail, and the lowest value stays.
  testutil::WriteBytes(ScoresFile(), "1|A|4294967297|10|-2147483648|99999999999|0|0\r\n");
  LoadScores();
  a = Highscores.First();
  EXPECT_EQ(a->Badges, 1);
  EXPECT_EQ(a->Level, INT32_MIN);
  EXPECT_EQ(a->GameMode, 1215752191);  // 99999999999 modulo 2^32
  EXPECT_EQ(a->Best, (std::array<int32_t, 31>{}));
}

TEST_F(HistoryTest, ReadLongSaturatedFollowsTheNumberRule) {
  struct Case {
    const char* text;
    int64_t value;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"-+-", 0},
      {"  42x", 42},
      {"+17", 17},
      {"-17", -17},
      {"\t-0", 0},
      {"$ff", 255},
      {"-$10", -16},
      {"%1011", 11},
      {"%102", 2},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"-9223372036854775809", INT64_MIN},
      {"123456789012345678901234567890", INT64_MAX},
      {"$FFFFFFFFFFFFFFFFFF", INT64_MAX},
      {"-%11111111111111111111111111111111111111111111111111111111111111111111", INT64_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadLongSaturated(c.text), c.value) << c.text;
}

TEST_F(HistoryTest, FinishedGamesOnAFullDiskAreToldOnceAndSavedWhenSpaceIsBack) {
  testutil::QuietPumpServices("the end of play");
  testutil::WriteBytes(ScoresFile(), "7|Old|0|10|0|0|0|0\r\n" + ZeroBest() + "\r\n");
  LoadScores();
  const std::string before = testutil::ReadBytes(ScoresFile());
  editmode = 0;
  // Two games end on a full disk, each confirmed with Enter in the name entry.
  SetWriteFailAfter(0);
  for (int32_t game = 1; game <= 2; ++game) {
    InGame = 1;
    score = game * 100;
    playstate.loopexit = 1;
    testbackend::InputAtFrame(testbackend::FrameCount() + 1, [] { testbackend::TapKey(13); });
    EndOfPlay();
  }
  EXPECT_EQ(Highscores.Count(), 3);
  EXPECT_EQ(testutil::ReadBytes(ScoresFile()), before);
  int shown = 0;
  for (const auto& c : comments) shown += c->txt == "Scores not saved";
  EXPECT_EQ(shown, 1);
  int logged = 0;
  for (const auto& line : LogLines())
    logged += line == "Scores not saved: 256/scores.dat could not be written (No space left on device)";
  EXPECT_EQ(logged, 2);

  // Space is freed: the farewell writes both games.
  SetWriteFailAfter(-1);
  HistoryLoaded = true;
  SaveOnExit();
  const auto lines = testutil::CrlfLines(testutil::ReadBytes(ScoresFile()));
  ASSERT_EQ(lines.size(), 6u);
  std::vector<std::string> scores = {Field(lines[0], 1), Field(lines[2], 1)};
  std::sort(scores.begin(), scores.end());
  EXPECT_EQ(scores, (std::vector<std::string>{"100", "200"}));
  EXPECT_EQ(lines[4].substr(0, 6), "7|Old|");

  // After a save that worked, the next failure is told again.
  SetWriteFailAfter(0);
  EXPECT_FALSE(SaveScores());
  shown = 0;
  for (const auto& c : comments) shown += c->txt == "Scores not saved";
  EXPECT_EQ(shown, 2);
}

TEST_F(HistoryTest, FailedWriteKeepsThePreviousFile) {
  ListAddLast(Highscores, Rec(1, 1, "Kept"));
  ASSERT_TRUE(SaveScores());
  const std::string before = testutil::ReadBytes(ScoresFile());
  for (int i = 0; i < 50; ++i) ListAddLast(Highscores, Rec(i, 100 + i, "New"));
  SetWriteFailAfter(100);
  EXPECT_FALSE(SaveScores());
  SetWriteFailAfter(-1);
  EXPECT_EQ(testutil::ReadBytes(ScoresFile()), before);
  EXPECT_EQ(FileType(ScoresFile() + ".tmp"), 0);
}

}  // namespace

// The limits of level reading: a level file over the size bound is neither
// read nor listed, one that grows past it while being read is dropped, and
// running out of memory while reading a level leaves the game going, and
// what is not a file under a level's name is passed over. Each is named in
// the debug log.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/memory_ceiling.h"
#include "level/level_browser.h"
#include "level_test_util.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "settings/not_a_file.h"

namespace {

namespace fs = std::filesystem;

// A room with a title, a place of its own and two walls.
std::string Room(int i) {
  return "<room>\r\n\t<title>Room " + std::to_string(i) + "</title>\r\n\t<position>" + std::to_string(i) +
         ",0</position>\r\n\t<top>\r\n\t\t<style>1</style>\r\n\t\t<gfx>1</gfx>\r\n\t\t<layer>\r\n\t\t\t3:wall*2\r\n"
         "\t\t</layer>\r\n\t</top>\r\n</room>\r\n";
}

// A level titled `title` of `rooms` rooms; with `size`, a comment line in its
// header makes it exactly that long.
std::string Level(const std::string& title, int rooms, int64_t size = 0) {
  const std::string head = "<title>" + title + "</title>\r\n<author>Me</author>\r\n";
  std::string body;
  for (int i = 1; i <= rooms; ++i) body += Room(i);
  if (size == 0) return head + body;
  const int64_t pad = size - static_cast<int64_t>(head.size() + body.size()) - 4;
  EXPECT_GE(pad, 0);
  return head + "//" + std::string(static_cast<size_t>(pad), ' ') + "\r\n" + body;
}

class LevelLimitsTest : public leveltest::LevelTest {
 protected:
  void SetUp() override {
    LevelTest::SetUp();
    // The levels folder in its place beside the data folder, as the game has it.
    Paths.root = dir_.string() + "/";
    Paths.levels = Paths.root + "DuskmoorII_Levels/";
    fs::create_directories(Paths.levels);
    OpenDebugLog(Paths.root + "Debug.txt");
    Uselevel = nullptr;
  }
  void TearDown() override {
    testutil::LiftMemoryCeiling();
    SetDebugLogHook(nullptr);
    testutil::EndFileFaults();
    CloseDebugLog();
    LevelTest::TearDown();
  }

  // The log's lines so far, without their CR LF.
  std::vector<std::string> LogLines() const { return testutil::CrlfLines(leveltest::ReadBytes(Paths.root + "Debug.txt")); }

  // A file of `head` made `size` bytes long; what lies past `head` is a hole
  // that takes no room on the disk and reads as zero bytes.
  void PutSparseLevel(const std::string& name, const std::string& head, int64_t size) const {
    PutLevel(name, head);
    fs::resize_file(LevelPath(name), static_cast<uintmax_t>(size));
  }

  std::vector<std::string> RoomTitles() const {
    std::vector<std::string> out;
    for (const auto& r : FileRooms()) out.push_back(r->title);
    return out;
  }
};

const std::string kBound = std::to_string(kMaxLevelFileBytes);

TEST_F(LevelLimitsTest, ALevelUpToTheBoundIsReadAndALargerOneIsNotReadAtAll) {
  struct Case {
    const char* what;
    int64_t size;
    bool sparse;
    bool read;
  } cases[] = {
      {"exactly at the bound", kMaxLevelFileBytes, false, true},
      {"a byte over the bound", kMaxLevelFileBytes + 1, false, false},
      {"20 MB", int64_t{20} << 20, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const size_t logged = LogLines().size();
    if (c.sparse) PutSparseLevel("level.xml", Level("Big", 40), c.size);
    else PutLevel("level.xml", Level("Big", 40, c.size));
    ASSERT_EQ(static_cast<int64_t>(fs::file_size(LevelPath("level.xml"))), c.size);
    // A file over the bound is refused before anything is read from it:
    // every read would fail here.
    if (!c.read) SetReadFailAfter(0);
    GetLevel("level.xml");
    SetReadFailAfter(-1);

    ASSERT_FALSE(rooms.Empty());
    EXPECT_TRUE(rooms.First() == EmptyRoom);
    const std::vector<std::string> all = LogLines();
    const std::vector<std::string> log(all.begin() + static_cast<long>(logged), all.end());
    if (c.read) {
      ASSERT_EQ(rooms.Count(), 41);
      EXPECT_EQ(RoomTitles().back(), "Room 40");
      EXPECT_TRUE(log.empty()) << ::testing::PrintToString(log);
    } else {
      EXPECT_EQ(rooms.Count(), 1);
      EXPECT_TRUE(room == EmptyRoom);
      EXPECT_EQ(log, (std::vector<std::string>{"\tDuskmoorII_Levels/level.xml is too large (" + std::to_string(c.size) +
                                                " bytes, a level holds at most " + kBound +
                                                "): its rooms are not read, and it is not written in this run"}));
    }
  }
}

// The file grows past the bound after its first rooms were read: nothing of it
// is kept, and the editor does not write over it.
TEST_F(LevelLimitsTest, ALevelThatGrowsPastTheBoundWhileBeingReadIsDroppedAndNotWrittenOver) {
  const std::string path = LevelPath("grows.xml");
  // Well past the first piece the reader takes from the file.
  const std::string bytes = Level("Grows", 1000);
  ASSERT_GT(bytes.size(), 100000u);
  PutLevel("grows.xml", bytes);
  bool grown = false;
  SetDebugLogHook([&](const std::string& line) {
    if (line != "New Room" || grown) return;
    grown = true;
    fs::resize_file(path, static_cast<uintmax_t>(kMaxLevelFileBytes + 1));
  });
  GetLevel("grows.xml");
  SetDebugLogHook(nullptr);
  EXPECT_TRUE(grown);
  EXPECT_EQ(rooms.Count(), 1);
  EXPECT_TRUE(rooms.First() == EmptyRoom);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"\tDuskmoorII_Levels/grows.xml could not be read (File too large): its "
                                                   "rooms are not read, and it is not written in this run"}));

  // The player's edits of the empty room stay in memory.
  Uselevel = std::make_shared<game>();
  Uselevel->name = "grows.xml";
  EXPECT_FALSE(SaveLevel());
  EXPECT_EQ(fs::file_size(path), static_cast<uintmax_t>(kMaxLevelFileBytes + 1));

  // Read whole again, the level is saved again.
  PutLevel("grows.xml", bytes);
  GetLevel("grows.xml");
  EXPECT_EQ(rooms.Count(), 1001);
  EXPECT_TRUE(SaveLevel());
  GetLevel("grows.xml");
  EXPECT_EQ(rooms.Count(), 1001);
}

TEST_F(LevelLimitsTest, TheScanLeavesOutALevelTooLargeAndNamesIt) {
  PutLevel("small.xml", Level("Small", 2));
  PutLevel("edge.xml", Level("Edge", 3, kMaxLevelFileBytes));
  PutLevel("big.xml", Level("Big", 3, kMaxLevelFileBytes + 1));
  PutSparseLevel("huge.xml", Level("Huge", 3), int64_t{20} << 20);
  Hunt4Levels();

  std::vector<std::string> titles;
  for (const auto& g : levels) titles.push_back(g->Title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Edge", "Small", "xx - Your Level"}));
  std::vector<std::string> log = LogLines();
  std::sort(log.begin(), log.end());
  EXPECT_EQ(log, (std::vector<std::string>{
                     "\tDuskmoorII_Levels/big.xml is too large (" + std::to_string(kMaxLevelFileBytes + 1) +
                         " bytes, a level holds at most " + kBound + "): it is left out of the list",
                     "\tDuskmoorII_Levels/huge.xml is too large (20971520 bytes, a level holds at most " + kBound +
                         "): it is left out of the list",
                 }));
}

// The player's own level grown too large is left out of the list like any
// other, and left as it is: it is not taken for missing and written anew.
TEST_F(LevelLimitsTest, ThePlayersLevelTooLargeIsLeftOutAndLeftAsItIs) {
  PutLevel("small.xml", Level("Small", 2));
  const std::string mine = Level("xx - Your Level", 3, kMaxLevelFileBytes + 1);
  PutLevel("My Level.xml", mine);
  Hunt4Levels();
  std::vector<std::string> titles;
  for (const auto& g : levels) titles.push_back(g->Title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Small"}));
  EXPECT_EQ(LevelBytes("My Level.xml"), mine);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"\tDuskmoorII_Levels/My Level.xml is too large (" +
                                                   std::to_string(kMaxLevelFileBytes + 1) + " bytes, a level holds at most " +
                                                   kBound + "): it is left out of the list"}));
}

// Something other than a file under a level's name is never opened, and the
// scan names it. Any level is then left out of the list, and left as it is.
// The player's level as anything but a folder or a file that may not be read
// (a pipe, a socket, a device, links in a loop) counts as missing: the level
// as it first comes takes its place, and is listed.
TEST_F(LevelLimitsTest, TheScanNamesWhatStandsInPlaceOfALevelAndNeverOpensIt) {
  const std::string odd = "<title>Odd</title>\r\n";
  for (const testutil::NotAFile& kind : testutil::NotAFiles()) {
    for (const std::string name : {"odd.xml", "My Level.xml"}) {
      SCOPED_TRACE(kind.what + " as " + name);
      const bool mine = name == "My Level.xml";
      fs::remove_all(Paths.levels);
      fs::create_directories(Paths.levels);
      OpenDebugLog(Paths.root + "Debug.txt");
      PutLevel("plain.xml", Level("Plain", 1));
      if (!mine) PutLevel("My Level.xml", DefaultLevelText());
      std::unique_ptr<testutil::PipeWatch> watch;
      if (!kind.put(LevelPath(name), odd, watch)) {
        ASSERT_EQ(kind.what, "an endless device") << "could not be made";
        continue;
      }
      const bool replaced = mine && !kind.file_like;
      // The player's level takes the pipe's name: a second name keeps the
      // pipe, so that its watch can be ended.
      const std::string kept = LevelPath(name) + ".kept";
      if (watch && replaced) {
        ASSERT_EQ(::link(LevelPath(name).c_str(), kept.c_str()), 0);
      }
      Hunt4Levels();
      SetOwnerPermissionsBind(false);
      std::vector<std::string> titles;
      for (const auto& g : levels) titles.push_back(g->Title);
      EXPECT_EQ(titles, (mine && !replaced ? std::vector<std::string>{"Plain"}
                                           : std::vector<std::string>{"Plain", "xx - Your Level"}));
      EXPECT_EQ(LogLines(), (std::vector<std::string>{"\tDuskmoorII_Levels/" + name + " could not be read (" +
                                                      kind.named + "): " +
                                                      (replaced ? "it is replaced by the level as it first comes"
                                                                : "it is left out of the list")}));
      const fs::file_status there = fs::symlink_status(LevelPath(name));
      if (replaced) {
        EXPECT_TRUE(fs::is_regular_file(there));
        EXPECT_EQ(LevelBytes(name), DefaultLevelText() + "\r\n");
      } else if (kind.what == "a folder") {
        EXPECT_TRUE(fs::is_directory(there));
      } else if (kind.file_like) {
        EXPECT_EQ(LevelBytes(name), odd);
      } else {
        EXPECT_FALSE(fs::is_regular_file(there));
      }
      if (watch) {
        if (replaced) fs::rename(kept, LevelPath(name));
        EXPECT_FALSE(watch->Opened()) << "the pipe was opened";
      }
      watch.reset();
      testutil::RemoveNotAFile(LevelPath(name));
    }
  }
}

// Memory runs out part-way through a level: the reader lets go of what it
// read, and the game goes on in the empty room.
TEST_F(LevelLimitsTest, RunningOutOfMemoryWhileReadingALevelLeavesTheEmptyRoom) {
  // A thousand rooms take about 2 MB.
  PutLevel("many.xml", Level("Many", 1000));
  Uselevel = std::make_shared<game>();
  Uselevel->name = "many.xml";
  pla = std::make_shared<ect>();
  testutil::SetMemoryCeiling(int64_t{512} << 10);
  EXPECT_NO_THROW(GetLevel("many.xml"));
  EXPECT_EQ(rooms.Count(), 1);
  EXPECT_TRUE(rooms.First() == EmptyRoom);
  EXPECT_TRUE(room == EmptyRoom);
  // Under the same ceiling, the game enters its room and the editor leaves
  // the file alone.
  MyRoom();
  EXPECT_TRUE(ThisRoom == EmptyRoom);
  EXPECT_FALSE(SaveLevel());
  testutil::LiftMemoryCeiling();
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"\tDuskmoorII_Levels/many.xml could not be read (out of memory): its "
                                                   "rooms are not read, and it is not written in this run"}));
  EXPECT_EQ(LevelBytes("many.xml"), Level("Many", 1000));

  GetLevel("many.xml");
  EXPECT_EQ(rooms.Count(), 1001);
}

// The scan runs out of memory on a header with a title line of 900 KB: the
// level is left out and named, the others are listed.
TEST_F(LevelLimitsTest, RunningOutOfMemoryWhileScanningALevelLeavesItOut) {
  PutLevel("small.xml", Level("Small", 2));
  PutLevel("long.xml", Level(std::string(900000, 'x'), 2));
  WriteDefaultLevel();
  testutil::SetMemoryCeiling(int64_t{512} << 10);
  EXPECT_NO_THROW(Hunt4Levels());
  testutil::LiftMemoryCeiling();
  std::vector<std::string> titles;
  for (const auto& g : levels) titles.push_back(g->Title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Small", "xx - Your Level"}));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "\tDuskmoorII_Levels/long.xml could not be read (out of memory): it is left out of the list"}));
}

}  // namespace

#include <string>
#include <vector>

#include "level_test_util.h"

namespace {

using leveltest::CaveHeader;
using leveltest::LevelTest;

constexpr int32_t WALL = 42, GEM = 96, LADDER = 41, HOLE = 45, BAT = 160;

void SetStored(layout& r, int32_t first, int32_t last, int32_t kind) {
  for (int32_t c = first; c <= last; ++c) r.objEdit[c] = r.obj[c] = kind;
}

// The rooms of the example level, built in memory as the editor would.
void BuildCaveLevel() {
  GetLevel("no such file");
  auto cave = NewBlankRoom();
  cave->title = "Cave";
  cave->roomx = 1;
  cave->StyleTop = 3;
  cave->BGTop = 2;
  SetStored(*cave, 0, 22, WALL);
  SetStored(*cave, 54, 54, GEM);
  SetStored(*cave, 60, 62, LADDER);
  SetStored(*cave, 100, 104, WALL);
  SetStored(*cave, 105, 106, HOLE);
  SetStored(*cave, 107, 122, WALL);
  SetStored(*cave, 162, 162, BAT);
  ListAddLast(rooms, cave);
}

const std::string kHeaderOnly =
    "<title>xx - Your Level</title>\r\n<author>You</author>\r\n\r\n"
    "// From and To define where Imra's little buggy goes in the map!\r\n"
    "<from>100,100</from>\r\n<to>100,100</to>\r\n\r\n<story>\r\n\tFind the cross below the cave.\r\n</story>\r\n\r\n";

// The lines of the one room block of a saved file.
std::vector<std::string> RoomLines(const std::string& file) {
  std::vector<std::string> lines;
  size_t at = file.find("<room>\r\n");
  while (at != std::string::npos && at < file.size()) {
    const size_t end = file.find("\r\n", at);
    lines.push_back(file.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

TEST_F(LevelTest, WritesTheExampleLevelByteForByte) {
  Uselevel = CaveHeader();
  BuildCaveLevel();
  ASSERT_TRUE(SaveLevel());
  EXPECT_EQ(LevelBytes("My Level.xml"), leveltest::ReadBytes(leveltest::GoldenPath("cave.xml")));
}

TEST_F(LevelTest, ReadWriteReadKeepsEveryRoom) {
  for (const char* golden : {"cave.xml", "descent.xml"}) {
    SCOPED_TRACE(golden);
    const std::string bytes = leveltest::ReadBytes(leveltest::GoldenPath(golden));
    PutLevel("level.xml", bytes);
    GetLevel("level.xml");
    const auto first = rooms.ToVector();
    // The header comes from the level record, as the level browser read it.
    auto header = std::make_shared<game>();
    header->name = "level.xml";
    if (std::string(golden) == "cave.xml") {
      *header = *CaveHeader();
      header->name = "level.xml";
    } else {
      header->Title = "The Long Descent";
      header->author = "Duskmoor Team";
      header->SX = -12;
      header->SY = 340;
      header->EX = 560;
      header->EY = -7;
      header->Story[1] = "Deep below the moor the old mines wait.";
      header->Story[3] = "Bring keys: the gates are locked.";
      header->store = 3;
    }
    Uselevel = header;
    ASSERT_TRUE(SaveLevel());
    EXPECT_EQ(LevelBytes("level.xml"), bytes);
    GetLevel("level.xml");
    const auto second = rooms.ToVector();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 1; i < first.size(); ++i) {
      const layout& a = *first[i];
      const layout& b = *second[i];
      EXPECT_EQ(a.title, b.title);
      EXPECT_EQ(a.roomx, b.roomx);
      EXPECT_EQ(a.roomy, b.roomy);
      EXPECT_EQ(a.StyleTop, b.StyleTop);
      EXPECT_EQ(a.StyleBot, b.StyleBot);
      EXPECT_EQ(a.BGTop, b.BGTop);
      EXPECT_EQ(a.BGBot, b.BGBot);
      EXPECT_EQ(a.objEdit, b.objEdit);
      EXPECT_EQ(a.obj, b.obj);
    }
  }
}

TEST_F(LevelTest, BlankRoomsAreLeftOut) {
  Uselevel = CaveHeader();
  struct Case {
    const char* what;
    void (*change)(layout&);
    bool written;
  };
  const Case cases[] = {
      {"default look, no cells, no title", [](layout&) {}, false},
      {"only live cells", [](layout& r) { r.obj[3] = GEM; }, false},
      {"position only", [](layout& r) { r.roomx = 4; r.roomy = -1; }, false},
      {"a title", [](layout& r) { r.title = "Cave"; }, true},
      {"one stored cell", [](layout& r) { r.objEdit[150] = GEM; }, true},
      {"top style", [](layout& r) { r.StyleTop = 4; }, true},
      {"bottom style", [](layout& r) { r.StyleBot = 1; }, true},
      {"top backdrop", [](layout& r) { r.BGTop = 0; }, true},
      {"bottom backdrop", [](layout& r) { r.BGBot = 1; }, true},
      {"an unnamed stored code", [](layout& r) { r.objEdit[0] = 7; }, true},
  };
  for (const Case& c : cases) {
    GetLevel("none");
    auto r = NewBlankRoom();
    c.change(*r);
    ListAddLast(rooms, r);
    ASSERT_TRUE(SaveLevel());
    const std::string file = LevelBytes("My Level.xml");
    EXPECT_EQ(file.find("<room>") != std::string::npos, c.written) << c.what;
    if (!c.written) {
      EXPECT_EQ(file, kHeaderOnly) << c.what;
    }
  }
}

TEST_F(LevelTest, TheEmptyRoomIsNeverWritten) {
  Uselevel = CaveHeader();
  GetLevel("none");
  EmptyRoom->StyleTop = 9;  // only the editor's own rooms are ever written
  EmptyRoom->objEdit[0] = WALL;
  ASSERT_TRUE(SaveLevel());
  EXPECT_EQ(LevelBytes("My Level.xml"), kHeaderOnly);
}

TEST_F(LevelTest, LayerLines) {
  Uselevel = CaveHeader();
  struct Case {
    const char* what;
    std::vector<std::pair<int32_t, int32_t>> cells;  // column, kind in top layer 0
    std::vector<std::string> lines;                  // the lines of that layer block
  };
  const Case cases[] = {
      {"no cell", {}, {"\t\t<layer></layer>"}},
      {"a full row of walls", {{-1, WALL}}, {"\t\t<layer>", "\t\t\t0:wall*23", "\t\t</layer>"}},
      {"a single gem", {{4, GEM}}, {"\t\t<layer>", "\t\t\t4:gem", "\t\t</layer>"}},
      {"two runs side by side",
       {{3, WALL}, {4, WALL}, {5, GEM}, {6, GEM}, {7, GEM}},
       {"\t\t<layer>", "\t\t\t3:wall*2", "\t\t\t5:gem*3", "\t\t</layer>"}},
      {"the last column", {{22, BAT}}, {"\t\t<layer>", "\t\t\t22:bat", "\t\t</layer>"}},
      {"an unnamed code", {{2, 7}, {3, 7}}, {"\t\t<layer>", "\t\t\t2:*2", "\t\t</layer>"}},
      {"a code past the table", {{2, 900}}, {"\t\t<layer>", "\t\t\t2:", "\t\t</layer>"}},
  };
  for (const Case& c : cases) {
    GetLevel("none");
    auto r = NewBlankRoom();
    r->title = "t";
    for (const auto& [column, kind] : c.cells) {
      if (column < 0) {
        SetStored(*r, 0, 22, kind);
      } else {
        r->objEdit[column] = kind;
      }
    }
    ListAddLast(rooms, r);
    ASSERT_TRUE(SaveLevel());
    const auto lines = RoomLines(LevelBytes("My Level.xml"));
    ASSERT_GT(lines.size(), 6u + c.lines.size()) << c.what;
    const std::vector<std::string> block(lines.begin() + 6, lines.begin() + 6 + c.lines.size());
    EXPECT_EQ(block, c.lines) << c.what;
  }
}

TEST_F(LevelTest, RoomBlockLayout) {
  Uselevel = CaveHeader();
  GetLevel("none");
  auto r = NewBlankRoom();
  r->title = "Pit";
  r->roomx = -3;
  r->roomy = -2;
  r->StyleTop = 150;
  r->BGTop = 7;
  r->StyleBot = 0;
  r->BGBot = 12;
  r->obj[5] = GEM;  // live cells are not saved
  ListAddLast(rooms, r);
  ASSERT_TRUE(SaveLevel());
  const std::vector<std::string> want = {
      "<room>",           "\t<title>Pit</title>", "\t<position>-3,-2</position>", "\t<top>",
      "\t\t<style>150</style>", "\t\t<gfx>7</gfx>", "\t\t<layer></layer>",      "\t\t<layer></layer>",
      "\t\t<layer></layer>", "\t\t<layer></layer>", "\t</top>",                 "\t<bottom>",
      "\t\t<style>0</style>", "\t\t<gfx>12</gfx>", "\t\t<layer></layer>",       "\t\t<layer></layer>",
      "\t\t<layer></layer>", "\t\t<layer></layer>", "\t</bottom>",              "</room>"};
  const std::string file = LevelBytes("My Level.xml");
  EXPECT_EQ(RoomLines(file), want);
  EXPECT_EQ(file.substr(file.size() - 9), "</room>\r\n");
  // Read back: out-of-range looks stay in the room as they were.
  GetLevel("My Level.xml");
  ASSERT_EQ(rooms.Count(), 2);
  EXPECT_EQ(rooms.Last()->StyleTop, 150);
  EXPECT_EQ(rooms.Last()->BGTop, 7);
  EXPECT_EQ(rooms.Last()->BGBot, 12);
  EXPECT_EQ(rooms.Last()->roomx, -3);
  EXPECT_EQ(rooms.Last()->obj[5], 0);
}

TEST_F(LevelTest, HeaderLines) {
  struct Case {
    const char* what;
    int32_t store;
    size_t story_lines;
  };
  const Case cases[] = {{"no story", 0, 0}, {"three lines", 3, 3}, {"a long story", 150, 99}, {"a negative count", -4, 0}};
  for (const Case& c : cases) {
    auto g = std::make_shared<game>();
    g->name = "My Level.xml";
    g->Title = "T";
    g->author = "A";
    g->SX = -1;
    g->SY = 2;
    g->EX = 3;
    g->EY = -4;
    for (int i = 1; i < 100; ++i) g->Story[i] = "line " + std::to_string(i);
    g->store = c.store;
    Uselevel = g;
    GetLevel("none");
    ASSERT_TRUE(SaveLevel());
    std::string want =
        "<title>T</title>\r\n<author>A</author>\r\n\r\n"
        "// From and To define where Imra's little buggy goes in the map!\r\n"
        "<from>-1,2</from>\r\n<to>3,-4</to>\r\n\r\n<story>\r\n";
    for (size_t i = 1; i <= c.story_lines; ++i) want += "\tline " + std::to_string(i) + "\r\n";
    want += "</story>\r\n\r\n";
    EXPECT_EQ(LevelBytes("My Level.xml"), want) << c.what;
  }
}

TEST_F(LevelTest, RoomsAreWrittenInListOrder) {
  Uselevel = CaveHeader();
  PutLevel("My Level.xml", "<room>\n<title>first</title>\n<room>\n<title>second</title>\n");
  GetLevel("My Level.xml");
  pla = std::make_shared<ect>();
  ListAddLast(objects, pla);
  pla->roomx = 7;
  MyRoom();
  AddaRoom();
  ThisRoom->title = "added";
  ASSERT_TRUE(SaveLevel());
  const std::string file = LevelBytes("My Level.xml");
  const size_t a = file.find("first"), b = file.find("second"), c = file.find("added");
  ASSERT_NE(c, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(file.find("<position>7,0</position>"), std::string::npos);
}

TEST_F(LevelTest, SavesTheFileThatWasLoaded) {
  const std::string mine = "<title>xx - Your Level</title>\r\n";
  PutLevel("My Level.xml", mine);
  auto copy = CaveHeader();
  copy->name = "Copy.xml";
  Uselevel = copy;
  BuildCaveLevel();
  ASSERT_TRUE(SaveLevel());
  EXPECT_EQ(LevelBytes("Copy.xml"), leveltest::ReadBytes(leveltest::GoldenPath("cave.xml")));
  EXPECT_EQ(LevelBytes("My Level.xml"), mine);
  // A name without its ending is saved where the reader found it.
  copy->name = "plain";
  ASSERT_TRUE(SaveLevel());
  EXPECT_TRUE(std::filesystem::exists(LevelPath("plain.xml")));
}

TEST_F(LevelTest, AFailedSaveKeepsThePreviousFile) {
  const std::string before = "<title>xx - Your Level</title>\r\n<room>\r\n</room>\r\n";
  PutLevel("My Level.xml", before);
  std::filesystem::create_directory(LevelPath("My Level.xml.tmp"));
  Uselevel = CaveHeader();
  BuildCaveLevel();
  EXPECT_FALSE(SaveLevel());
  EXPECT_EQ(LevelBytes("My Level.xml"), before);
  // Once the way is clear again the save goes through.
  std::filesystem::remove(LevelPath("My Level.xml.tmp"));
  EXPECT_TRUE(SaveLevel());
  EXPECT_EQ(LevelBytes("My Level.xml"), leveltest::ReadBytes(leveltest::GoldenPath("cave.xml")));
}

TEST_F(LevelTest, NoLevelChosenWritesNothing) {
  Uselevel = nullptr;
  BuildCaveLevel();
  EXPECT_FALSE(SaveLevel());
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(LevelTest, ATitledEmptyRoomComesBack) {
  Uselevel = CaveHeader();
  GetLevel("none");
  auto r = NewBlankRoom();
  r->title = "Cave";
  r->roomx = 2;
  ListAddLast(rooms, r);
  ASSERT_TRUE(SaveLevel());
  GetLevel("My Level.xml");
  ASSERT_EQ(rooms.Count(), 2);
  EXPECT_EQ(rooms.Last()->title, "Cave");
  EXPECT_EQ(rooms.Last()->roomx, 2);
  EXPECT_EQ(rooms.Last()->StyleTop, 1);
  EXPECT_EQ(rooms.Last()->StyleBot, 2);
  EXPECT_EQ(rooms.Last()->BGTop, 1);
  EXPECT_EQ(rooms.Last()->BGBot, 0);
}

}  // namespace

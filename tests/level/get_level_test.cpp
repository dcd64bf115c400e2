#include <map>
#include <string>
#include <vector>

#include "level_test_util.h"
#include "platform/runtime.h"

namespace {

using leveltest::LevelTest;

constexpr int32_t WALL = 42, GEM = 96, LADDER = 41, HOLE = 45, BAT = 160;

struct RoomWant {
  int32_t x = 0, y = 0;
  int32_t styleTop = 0, styleBot = 0, bgTop = 0, bgBot = 0;
  std::string title{};
  std::map<int32_t, int32_t> cells{};  // every other cell 0
};

// Rooms after the empty room, each compared field by field and cell by cell
// in both copies.
void ExpectRooms(const std::vector<std::shared_ptr<layout>>& got, const std::vector<RoomWant>& want,
                 const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < want.size(); ++i) {
    const layout& r = *got[i];
    const RoomWant& w = want[i];
    SCOPED_TRACE(what + ", room " + std::to_string(i + 1));
    EXPECT_EQ(r.roomx, w.x);
    EXPECT_EQ(r.roomy, w.y);
    EXPECT_EQ(r.StyleTop, w.styleTop);
    EXPECT_EQ(r.StyleBot, w.styleBot);
    EXPECT_EQ(r.BGTop, w.bgTop);
    EXPECT_EQ(r.BGBot, w.bgBot);
    EXPECT_EQ(r.title, w.title);
    for (int32_t c = 0; c < kRoomCells; ++c) {
      const auto it = w.cells.find(c);
      const int32_t want_kind = it == w.cells.end() ? 0 : it->second;
      EXPECT_EQ(r.obj[c], want_kind) << "live cell " << c;
      EXPECT_EQ(r.objEdit[c], want_kind) << "stored cell " << c;
    }
  }
}

void ExpectEmptyRoomFirst() {
  ASSERT_FALSE(rooms.Empty());
  const auto e = rooms.First();
  EXPECT_EQ(e, EmptyRoom);
  EXPECT_EQ(e->roomx, 0);
  EXPECT_EQ(e->roomy, 0);
  EXPECT_EQ(e->StyleTop, 1);
  EXPECT_EQ(e->StyleBot, 2);
  EXPECT_EQ(e->BGTop, 1);
  EXPECT_EQ(e->BGBot, 0);
  EXPECT_EQ(e->offTop, 0);
  EXPECT_EQ(e->offBot, 0);
  EXPECT_EQ(e->title, "");
  for (int32_t c = 0; c < kRoomCells; ++c) {
    EXPECT_EQ(e->obj[c], 0);
    EXPECT_EQ(e->objEdit[c], 0);
  }
}

std::map<int32_t, int32_t> Cells(int32_t first, int32_t last, int32_t kind) {
  std::map<int32_t, int32_t> m;
  for (int32_t c = first; c <= last; ++c) m[c] = kind;
  return m;
}

std::map<int32_t, int32_t> Merge(std::initializer_list<std::map<int32_t, int32_t>> parts) {
  std::map<int32_t, int32_t> m;
  for (const auto& p : parts)
    for (const auto& [k, v] : p) m[k] = v;
  return m;
}

TEST_F(LevelTest, ReadsTheExampleLevel) {
  PutLevel("cave.xml", leveltest::ReadBytes(leveltest::GoldenPath("cave.xml")));
  GetLevel("cave.xml");
  ExpectEmptyRoomFirst();
  RoomWant cave;
  cave.x = 1;
  cave.title = "Cave";
  cave.styleTop = 3;
  cave.bgTop = 2;
  cave.styleBot = 2;
  cave.bgBot = 0;
  cave.cells = Merge({Cells(0, 22, WALL), {{54, GEM}}, Cells(60, 62, LADDER), Cells(100, 104, WALL), Cells(105, 106, HOLE),
                      Cells(107, 122, WALL), {{162, BAT}}});
  ExpectRooms(FileRooms(), {cave}, "example");
  EXPECT_EQ(room, rooms.Last());
}

const char kLineEnds[] = "<room>\r\n<to\rp>\n<layer>\0" "3:gem\r\r\n\r4:g\rem";

TEST_F(LevelTest, MalformedLinesFollowTheReaderRules) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<RoomWant> rooms;
  };
  const std::vector<Case> cases = {
      {"cells before the first layer of a half",
       "<room>\n<top>\n0:wall*3\n<layer>\n5:gem\n",
       {{.cells = {{5, GEM}}}}},
      {"cells, layers and titles before the first room",
       "<title>Lvl</title>\n<story>\n0:wall*5\n</story>\n<top>\n<layer>\n3:gem\n<room>\n<top>\n<layer>\n1:gem\n",
       {{.cells = {{1, GEM}}}}},
      {"a layer before any half",
       "<room>\n<layer>\n0:wall\n<top>\n<layer>\n1:wall\n",
       {{.cells = {{1, WALL}}}}},
      {"layers past the fourth",
       "<room>\n<bottom>\n<layer></layer>\n<layer></layer>\n<layer></layer>\n<layer>\n0:gem\n</layer>\n"
       "<layer>\n1:gem\n</layer>\n<layer>2:gem</layer>\n",
       {{.cells = {{175, GEM}}}}},
      {"unknown names and missing parts",
       "<room>\n<top>\n<layer>\n3:gem\n3:dragon\n4:\n:gem\n5\n6:*3\n7: wall x\n8:bat\n9 gem\n",
       {{.cells = {{3, GEM}, {8, BAT}}}}},
      {"names in any case, blanks around the parts, bad counts",
       "<room>\n<top>\n<layer>\n5:Gem\n6:GEM\n 7 : gEm * 2 \n10:wall*0\n12:wall*x\n14:wall*-3\n16:wall*\n",
       {{.cells = {{5, GEM}, {6, GEM}, {7, GEM}, {8, GEM}, {10, WALL}, {12, WALL}, {14, WALL}, {16, WALL}}}}},
      {"runs past column 22",
       "<room>\n<top>\n<layer>\n3:wall*30\n<bottom>\n<layer></layer>\n<layer></layer>\n<layer></layer>\n"
       "<layer>\n20:gem*5\n",
       {{.cells = Merge({Cells(3, 22, WALL), Cells(195, 197, GEM)})}}},
      {"columns outside the room",
       "<room>\n<top>\n<layer></layer>\n<layer>\n-2:gem*4\n-5:gem*3\n23:gem\n22:gem\n",
       {{.cells = {{25, GEM}, {26, GEM}, {47, GEM}}}}},
      {"huge and negative counts and columns",
       "<room>\n<top>\n<layer>\n0:wall*2000000000\n<layer>\n-2000000000:wall*2000000005\n"
       "<layer>\n2147483000:gem*5000\n2147483647:gem*2147483647\n-2147483648:gem*2147483647\n"
       "99999999999:gem\n<layer>\n$10:gem\n%11:gem*2\n",
       {{.cells = Merge({Cells(0, 22, WALL), Cells(25, 29, WALL), {{91, GEM}, {78, GEM}, {79, GEM}}})}}},
      {"a later cell line replaces an earlier one",
       "<room>\n<top>\n<layer>\n3:wall*5\n4:gem\n",
       {{.cells = {{3, WALL}, {4, GEM}, {5, WALL}, {6, WALL}, {7, WALL}}}}},
      {"cells on the layer line itself",
       "<room>\n<top>\n<layer>0:wall*2</layer>\n<layer>3:gem</layer>\n",
       {{.cells = {{0, WALL}, {1, WALL}, {28, GEM}}}}},
      {"closing and unknown tags keep the expectation",
       "<room>\n<top>\n<layer>\n</foo>\n<foo>3:gem</foo>\n<!-- 4:gem -->\n5:gem\n",
       {{.cells = {{3, GEM}, {5, GEM}}}}},
      {"positions",
       "<room>\n<position>3,-2</position>\n"
       "<room>\n<position>7</position>\n"
       "<room>\n<position>,5</position>\n<position>5,</position>\n"
       "<room>\n<position> 4 , 5 </position>\n9,10\n"
       "<room>\n<position>1,1</position>\na,b\n"
       "<room>\n<position>1,1</position>\n<top>\n2,2\n"
       "<room>\n<position>-2147483648,2147483647</position>\n",
       {{.x = 3, .y = -2}, {}, {}, {.x = 9, .y = 10}, {}, {.x = 1, .y = 1}, {.x = INT32_MIN, .y = INT32_MAX}}},
      {"style and backdrop numbers",
       "<room>\n<style>5</style>\n<top>\n<style>07</style>\n<gfx>-1</gfx>\n<bottom>\n<style>+7</style>\n<gfx></gfx>\n"
       "<room>\n<top>\n<style>07</style>\n4\n<gfx>7x</gfx>\n3\n<bottom>\n<style>0</style>\n<gfx>3.0</gfx>\n"
       "<room>\n<top>\n<style>150</style>\n<gfx>7</gfx>\n"
       "<room>\n<top>\n<style>1</style>\n<style>2</style>\n<bottom>\n<gfx>1</gfx>\n9\n"
       "<room>\n<bottom>\n<style>99999999999</style>\n<gfx>2147483647</gfx>\n",
       // A refused style is still awaited on the next line, so the backdrop line's
       // number is taken as the style first.
       {{}, {.styleTop = 4, .bgTop = 3}, {.styleTop = 150, .bgTop = 7}, {.styleTop = 2, .bgBot = 1},
        {.styleBot = INT32_MAX, .bgBot = INT32_MAX}}},
      {"room titles",
       "<room>\n<title>Cave</title>\n<room>\n<title></title>\n<room>\n<title>   </title>\n"
       "<room>\n<title>a</b></title>\n<room>\n<room>\n<title>X</title>\n<title>\n",
       {{.title = "Cave"}, {}, {.title = "<title>   </title>"}, {.title = "a"}, {}, {}}},
      {"room tags",
       "<room id=1>\n<top>\n<layer>\n0:gem\n<ROOM>\n<top>\n<layer>\n1:gem\n<room x>\n<layer>\n2:gem\n"
       "<Room>\n<title>second</title>\n",
       {{.cells = {{1, GEM}, {27, GEM}}}, {.title = "second"}}},
      {"line ends: LF alone, CR anywhere, NUL, no end on the last line",
       std::string(kLineEnds, sizeof kLineEnds - 1),
       {{.cells = {{3, GEM}, {4, GEM}}}}},
  };
  for (const Case& c : cases) {
    PutLevel("case.xml", c.text);
    GetLevel("case.xml");
    ExpectEmptyRoomFirst();
    ExpectRooms(FileRooms(), c.rooms, c.what);
  }
}

TEST_F(LevelTest, MissingEmptyOrUnreadableFilesGiveTheEmptyRoomAlone) {
  std::filesystem::create_directory(LevelPath("folder.xml"));
  PutLevel("empty.xml", "");
  PutLevel("newline.xml", "\n");
  PutLevel("header.xml", leveltest::ReadBytes(leveltest::GoldenPath("cave.xml")).substr(0, 200));
  for (const char* name : {"missing.xml", "folder.xml", "empty.xml", "newline.xml", "header.xml"}) {
    SCOPED_TRACE(name);
    leveltick = 77;
    ThisRoom = nullptr;
    GetLevel(name);
    EXPECT_EQ(rooms.Count(), 1);
    ExpectEmptyRoomFirst();
    EXPECT_EQ(room, EmptyRoom);
    EXPECT_EQ(leveltick, 0);
    EXPECT_EQ(ThisRoom, nullptr);
  }
}

TEST_F(LevelTest, FileNameEndings) {
  struct Case {
    const char* asked;
    const char* on_disk;
  };
  const Case cases[] = {{"level1", "level1.xml"}, {"LEVEL2.XML", "LEVEL2.XML"}, {"Lv.Xml", "Lv.Xml"},
                        {"old.xml.bak", "old.xml.bak.xml"}, {"My Level.xml", "My Level.xml"}};
  for (const Case& c : cases) {
    PutLevel(c.on_disk, "<room>\n<title>" + std::string(c.on_disk) + "</title>\n");
    GetLevel(c.asked);
    ASSERT_EQ(rooms.Count(), 2) << c.asked;
    EXPECT_EQ(rooms.Last()->title, c.on_disk);
  }
}

TEST_F(LevelTest, EachRoomDrawsTwoRandomOffsets) {
  PutLevel("descent.xml", leveltest::ReadBytes(leveltest::GoldenPath("descent.xml")));
  SeedRnd(1234);
  std::vector<int32_t> expected;
  for (int i = 0; i < 8; ++i) expected.push_back(Rand(-60, 160));
  SeedRnd(1234);
  GetLevel("descent.xml");
  std::vector<int32_t> got;
  for (const auto& r : FileRooms()) {
    got.push_back(r->offTop);
    got.push_back(r->offBot);
  }
  EXPECT_EQ(got, expected);
  for (int32_t v : got) {
    EXPECT_GE(v, -60);
    EXPECT_LE(v, 160);
  }
  // Read again: the same rooms and cells, and a new empty room.
  const auto first = rooms.ToVector();
  GetLevel("descent.xml");
  const auto second = rooms.ToVector();
  ASSERT_EQ(first.size(), second.size());
  EXPECT_NE(first[0], second[0]);
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i]->objEdit, second[i]->objEdit);
    EXPECT_EQ(first[i]->title, second[i]->title);
  }
}

TEST_F(LevelTest, ReplacesTheRoomsOfThePreviousLevelButNotThisRoom) {
  PutLevel("a.xml", "<room>\n<title>A</title>\n<room>\n<title>B</title>\n");
  GetLevel("a.xml");
  ASSERT_EQ(rooms.Count(), 3);
  const auto old = rooms.Last();
  ThisRoom = old;
  GetLevel("missing");
  EXPECT_EQ(rooms.Count(), 1);
  EXPECT_EQ(ThisRoom, old);
}

// Every cut of a file reads without harm. Rooms whose block the cut leaves
// whole read exactly as from the whole file; the room being cut holds only
// what the whole file puts there (a cut name can name another kind).
TEST_F(LevelTest, TruncatedFilesReadAsAPartOfTheWhole) {
  for (const char* golden : {"cave.xml", "descent.xml"}) {
    const std::string bytes = leveltest::ReadBytes(leveltest::GoldenPath(golden));
    PutLevel("whole.xml", bytes);
    GetLevel("whole.xml");
    const auto whole = FileRooms();
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
      const std::string part_bytes = bytes.substr(0, cut);
      PutLevel("cut.xml", part_bytes);
      GetLevel("cut.xml");
      ExpectEmptyRoomFirst();
      const auto part = FileRooms();
      ASSERT_LE(part.size(), whole.size()) << golden << " cut at " << cut;
      size_t complete = 0;
      for (size_t at = part_bytes.find("</room>\r\n"); at != std::string::npos;
           at = part_bytes.find("</room>\r\n", at + 1)) {
        ++complete;
      }
      for (size_t i = 0; i < part.size(); ++i) {
        const layout& p = *part[i];
        const layout& w = *whole[i];
        SCOPED_TRACE(std::string(golden) + " cut at " + std::to_string(cut) + ", room " + std::to_string(i + 1));
        if (i < complete) {
          EXPECT_EQ(p.title, w.title);
          EXPECT_EQ(p.objEdit, w.objEdit);
        }
        const std::pair<int32_t, int32_t> fields[] = {{p.StyleTop, w.StyleTop}, {p.StyleBot, w.StyleBot},
                                                      {p.BGTop, w.BGTop},       {p.BGBot, w.BGBot},
                                                      {p.roomx, w.roomx},       {p.roomy, w.roomy}};
        for (const auto& [got, want] : fields) EXPECT_TRUE(got == 0 || got == want) << got << " vs " << want;
        for (int32_t c = 0; c < kRoomCells; ++c) {
          EXPECT_TRUE(p.objEdit[c] == 0 || w.objEdit[c] != 0) << "cell " << c;
          EXPECT_EQ(p.obj[c], p.objEdit[c]);
        }
      }
    }
  }
}

}  // namespace

namespace {

TEST_F(LevelTest, TracesWhatItReads) {
  PutLevel("cave.xml", leveltest::ReadBytes(leveltest::GoldenPath("cave.xml")) +
                           "<room>\n<top>\n<layer>\n 3 : Dragon * x \n");
  std::vector<std::string> trace;
  SetDebugLogHook([&](const std::string& line) { trace.push_back(line); });
  GetLevel("cave");
  SetDebugLogHook(nullptr);
  const std::vector<std::string> want = {
      "", "New Room", "Cave", "Room at : 1:0", "", "Upside", "Top_Style : 3", "Top_Gfx : 2",
      "at 0 there's 23 x wall", "at 4 there's 1 x gem", "at 10 there's 3 x ladder", "", "Downside",
      "Bot_Style : 2", "Bot_Gfx : 0", "at 0 there's 5 x wall", "at 5 there's 2 x hole", "at 7 there's 16 x wall",
      "at 12 there's 1 x bat", "", "New Room", "", "Upside", "at 3 there's 1 x Dragon"};
  EXPECT_EQ(trace, want);
}

}  // namespace

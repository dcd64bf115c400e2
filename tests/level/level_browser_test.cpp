// The level browser: the player's default level file, the scan of the levels
// folder, the order of the packs and the header reader.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/pipe_watch.h"
#include "level/level_browser.h"
#include "level_test_util.h"
#include "platform/files.h"
#include "platform/runtime.h"

namespace {

namespace fs = std::filesystem;
using leveltest::LevelTest;
using leveltest::ReadBytes;

// Characters of each of the 35 lines of a fresh player level, the leading
// tab included.
const std::vector<size_t> kDefaultLineLengths = {30, 20, 0,  64, 20, 16, 0,  7,  23, 1,  32, 36,
                                                 1,  37, 40, 1,  39, 39, 1,  38, 31, 1,  32, 31,
                                                 30, 1,  35, 28, 31, 28, 22, 1,  38, 32, 8};

std::vector<std::string> SplitLf(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  lines.push_back(line);
  return lines;
}

// Names in `levels`, in list order.
std::vector<std::string> Names() {
  std::vector<std::string> out;
  for (const auto& g : levels) out.push_back(g->name);
  return out;
}

class BrowserTest : public LevelTest {
 protected:
  void SetUp() override {
    LevelTest::SetUp();
    ClearList(levels);
    SetDebugLogHook([this](const std::string& s) { debug_.push_back(s); });
  }
  void TearDown() override {
    SetDebugLogHook(nullptr);
    SetWriteFailAfter(-1);
    LevelTest::TearDown();
  }
  std::string MyLevel() const { return LevelPath("My Level.xml"); }

  // The header of a file holding `bytes`, read as the scan reads it.
  game ReadHeaderOf(const std::string& bytes) {
    PutLevel("h.xml", bytes);
    game g;
    g.name = "h.xml";
    const Stream s = ReadFile(LevelPath("h.xml"));
    EXPECT_TRUE(s);
    ReadLevelHeader(s, g);
    CloseFile(s);
    return g;
  }

  std::vector<std::string> debug_;
};

TEST_F(BrowserTest, MissingPlayerLevelIsWrittenWithItsDefaultBytes) {
  Hunt4Levels();
  const std::string bytes = ReadBytes(MyLevel());
  ASSERT_EQ(bytes.size(), 830u);
  EXPECT_EQ(bytes.substr(828), "\r\n");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 1);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 35);
  EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == 9 || u == 10 || u == 13 || (u >= 32 && u <= 126);
  }));
  const std::vector<std::string> lines = SplitLf(bytes.substr(0, 828));
  ASSERT_EQ(lines.size(), kDefaultLineLengths.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].size(), kDefaultLineLengths[i]) << "line " << i + 1;
    // Lines 9 to 34 are the story, each behind one tab.
    EXPECT_EQ(!lines[i].empty() && lines[i][0] == '\t', i >= 8 && i <= 33) << "line " << i + 1;
  }
  EXPECT_EQ(lines[0], "<title>xx - Your Level</title>");
  EXPECT_EQ(lines[3], "// From and To define where Imra's little buggy goes in the map!");
  EXPECT_EQ(lines[4], "<from>100,100</from>");
  EXPECT_EQ(lines[5], "<to>100,100</to>");
  EXPECT_EQ(lines[24], "\tfolder, titled 'My Level.xml'");
  EXPECT_EQ(lines[34], "</story>");
  EXPECT_EQ(DefaultLevelText(), bytes.substr(0, 828));

  // Read back line by line: the 35 lines without line ends, then the end.
  const Stream s = ReadFile(MyLevel());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(ReadLine(s), lines[i]) << "line " << i + 1;
  EXPECT_TRUE(Eof(s));
  CloseFile(s);
}

TEST_F(BrowserTest, AnEmptyPlayerLevelIsWrittenAnewAndListed) {
  leveltest::WriteBytes(MyLevel(), "");
  Hunt4Levels();
  EXPECT_EQ(ReadBytes(MyLevel()), DefaultLevelText() + "\r\n");
  ASSERT_EQ(CountList(levels), 1);
  EXPECT_EQ(levels.First()->Title, "xx - Your Level");
}

TEST_F(BrowserTest, AnExistingPlayerLevelIsLeftAsItIs) {
  const std::vector<std::string> contents = {"\n", "<title>Mine</title>\n<room>\n", std::string(2000, 'x')};
  for (const std::string& bytes : contents) {
    leveltest::WriteBytes(MyLevel(), bytes);
    Hunt4Levels();
    EXPECT_EQ(ReadBytes(MyLevel()), bytes);
    ASSERT_EQ(CountList(levels), 1);
    EXPECT_EQ(levels.First()->name, "My Level.xml");
  }
  EXPECT_EQ(levels.First()->Title, "");
}

TEST_F(BrowserTest, AFolderNamedLikeThePlayerLevelIsLeftAloneAndGivesNoPack) {
  fs::create_directory(MyLevel());
  Hunt4Levels();
  EXPECT_TRUE(fs::is_directory(MyLevel()));
  EXPECT_TRUE(fs::is_empty(MyLevel()));
  EXPECT_EQ(CountList(levels), 0);
}

TEST_F(BrowserTest, AFailedWriteLeavesNoPlayerLevelAndTheNextStartWritesItWhole) {
  SetWriteFailAfter(100);
  Hunt4Levels();
  SetWriteFailAfter(-1);
  EXPECT_FALSE(fs::exists(MyLevel()));
  EXPECT_EQ(CountList(levels), 0);
  Hunt4Levels();
  EXPECT_EQ(ReadBytes(MyLevel()).size(), 830u);
  EXPECT_EQ(CountList(levels), 1);
}

TEST_F(BrowserTest, AMissingLevelsFolderIsMadeWithThePlayerLevelInIt) {
  fs::remove_all(dir_);
  const std::string before = CurrentDir();
  Hunt4Levels();
  EXPECT_TRUE(fs::is_directory(dir_));
  EXPECT_EQ(ReadBytes(MyLevel()).size(), 830u);
  ASSERT_EQ(CountList(levels), 1);
  EXPECT_EQ(levels.First()->Title, "xx - Your Level");
  // The scan never moves the process out of its folder.
  EXPECT_EQ(CurrentDir(), before);
}

TEST_F(BrowserTest, EveryNameEndingInXmlInAnyCaseIsALevel) {
  struct Entry {
    std::string name;
    bool level;
  };
  const std::vector<Entry> entries = {
      {"a.xml", true},       {"B.XML", true},      {"c.XmL", true},     {".xml", true},
      {".hidden.xml", true}, {"d.xml.bak", false}, {"e.txt", false},    {"xml", false},
      {"f.xm", false},       {"gxml", false},      {"h .xml", true},    {"i.xmll", false},
  };
  for (const Entry& e : entries) PutLevel(e.name, "<title>" + e.name + "</title>\n");
  // A folder with the ending is no level.
  fs::create_directory(LevelPath("folder.xml"));
  Hunt4Levels();
  std::vector<std::string> want = {"My Level.xml"};
  for (const Entry& e : entries)
    if (e.level) want.push_back(e.name);
  std::vector<std::string> got = Names();
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, want);
  for (const auto& g : levels) {
    if (g->name != "My Level.xml") {
      EXPECT_EQ(g->Title, g->name);
    }
  }
}

TEST_F(BrowserTest, OnlyRegularFilesAreLevelsAndNothingElseIsOpened) {
  PutLevel("plain.xml", "<title>Plain</title>\n");
  fs::create_symlink(LevelPath("plain.xml"), LevelPath("link.xml"));
  fs::create_directory(LevelPath("folder.xml"));
  fs::create_symlink("/dev/null", LevelPath("device.xml"));
  // A pipe nobody writes to would hold the scan at its opening for good.
  testutil::PipeWatch pipe(LevelPath("pipe.xml"));
  ASSERT_TRUE(pipe.Made());
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string socket_path = LevelPath("socket.xml");
  ASSERT_LT(socket_path.size(), sizeof addr.sun_path);
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socket_path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);

  Hunt4Levels();
  ::close(sock);
  EXPECT_FALSE(pipe.Opened());
  std::vector<std::string> got = Names();
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"My Level.xml", "link.xml", "plain.xml"}));
}

TEST_F(BrowserTest, PacksAreOrderedByTitleAsBytes) {
  struct File {
    std::string name;
    std::string title;  // "-" for a file without a title line
  };
  const std::vector<File> files = {
      {"1.xml", "beta"},   {"2.xml", "Beta"},   {"3.xml", "Zeta"}, {"4.xml", "-"},
      {"5.xml", "01 - a"}, {"6.xml", "Be"},     {"7.xml", "y"},    {"8.xml", "\xe9t\xe9"},
      {"9.xml", "alpha"},  {"10.xml", "Alpha"},
  };
  for (const File& f : files) PutLevel(f.name, f.title == "-" ? "<author>x</author>\n" : "<title>" + f.title + "</title>\n");
  Hunt4Levels();
  std::vector<std::string> titles;
  for (const auto& g : levels) titles.push_back(g->Title);
  const std::vector<std::string> want = {"",      "01 - a", "Alpha",           "Be", "Beta", "Zeta", "alpha",
                                         "beta",  "xx - Your Level", "y",  "\xe9t\xe9"};
  EXPECT_EQ(titles, want);
}

TEST_F(BrowserTest, EqualTitlesStandInTheReverseOfTheListing) {
  const std::vector<std::string> names = {"p.xml", "q.xml", "r.xml", "s.xml", "t.xml"};
  for (const std::string& name : names) PutLevel(name, "<title>Same</title>\n");
  PutLevel("u.xml", "<title>Other</title>\n");
  // The folder's own order, as the scan sees it.
  std::vector<std::string> listing;
  const Dir d = ReadDir(Paths.levels);
  for (std::string name = NextFile(d); !name.empty(); name = NextFile(d)) {
    if (std::find(names.begin(), names.end(), name) != names.end()) listing.push_back(name);
  }
  CloseDir(d);
  ASSERT_EQ(listing.size(), names.size());
  Hunt4Levels();
  std::vector<std::string> same;
  for (const auto& g : levels)
    if (g->Title == "Same") same.push_back(g->name);
  std::reverse(listing.begin(), listing.end());
  EXPECT_EQ(same, listing);
  EXPECT_EQ(levels.First()->Title, "Other");
  EXPECT_EQ(levels.Last()->Title, "xx - Your Level");
}

TEST_F(BrowserTest, EveryListedNameAndEveryTitleGoesToTheDebuggerOnly) {
  PutLevel("a.xml", "<title>One</title>\n<title>Two</title>\n");
  Hunt4Levels();
  for (const char* line : {".", "..", "a.xml", "My Level.xml", "", "a.xml>>One", "a.xml>>Two",
                           "My Level.xml>>xx - Your Level"}) {
    EXPECT_NE(std::find(debug_.begin(), debug_.end(), line), debug_.end()) << line;
  }
  // The empty name that ends the listing comes last.
  ASSERT_FALSE(debug_.empty());
  EXPECT_EQ(debug_.back(), "");
}

TEST_F(BrowserTest, TheDefaultLevelReadsBack) {
  Hunt4Levels();
  ASSERT_EQ(CountList(levels), 1);
  const game& g = *levels.First();
  EXPECT_EQ(g.name, "My Level.xml");
  EXPECT_EQ(g.Title, "xx - Your Level");
  EXPECT_EQ(g.author, "You");
  EXPECT_EQ(g.SX, 100);
  EXPECT_EQ(g.SY, 100);
  EXPECT_EQ(g.EX, 100);
  EXPECT_EQ(g.EY, 100);
  ASSERT_EQ(g.store, 26);
  EXPECT_EQ(g.Story[0], "");
  EXPECT_EQ(g.Story[1], "Editing levels is fun.");
  EXPECT_EQ(g.Story[2], "");
  EXPECT_EQ(g.Story[17], "folder, titled 'My Level.xml'");
  EXPECT_EQ(g.Story[26], "your level has a little opener!");
  EXPECT_EQ(g.Story[27], "");
  const std::vector<std::string> lines = SplitLf(DefaultLevelText());
  int blank = 0;
  for (int k = 1; k <= 26; ++k) {
    EXPECT_EQ(g.Story[k], Trim(lines[7 + k])) << k;
    blank += g.Story[k].empty();
  }
  EXPECT_EQ(blank, 7);
}

// The line rule on the lines a level header holds.
TEST_F(BrowserTest, LinesSplitIntoTagAndValue) {
  struct Case {
    std::string line, tag, value;
  };
  const std::vector<Case> cases = {
      {"<title>xx - Your Level</title>", "TITLE", "xx - Your Level"},
      {"<from>100,100</from>", "FROM", "100,100"},
      {"<story>", "STORY", ""},
      {"\tEditing levels is fun.", "", "Editing levels is fun."},
      {"\t", "", ""},
      {"</story>", "/STORY", ""},
      {"<room>", "ROOM", ""},
      {"<layer></layer>", "LAYER", ""},
      {"  <Title> A </Title> tail", "TITLE", "A"},
      {"<title>   </title>", "TITLE", "<title>   </title>"},
      {"<title>open", "TITLE", ""},
      {"text <", "", ""},
      {"-=-", "", ""},
      {"<ti tle>x</ti tle>", "TI TLE", "x"},
  };
  for (const Case& c : cases) {
    const TagLine t = ReadTag(c.line);
    EXPECT_EQ(t.tag, c.tag) << c.line;
    EXPECT_EQ(t.value, c.value) << c.line;
  }
}

TEST_F(BrowserTest, HeadersReadAsTheirLinesSay) {
  struct Want {
    std::string title, author;
    int32_t sx, sy, ex, ey, store;
    std::vector<std::string> story;  // Story[1..]
  };
  struct Case {
    std::string what, bytes;
    Want want;
  };
  const std::vector<Case> cases = {
      {"empty file", "", {"", "", 0, 0, 0, 0, 0, {}}},
      {"room first", "<room>\n<title>T</title>\n", {"", "", 0, 0, 0, 0, 0, {}}},
      {"no story",
       "<title>T</title>\r\n<author>A</author>\r\n<from>1,2</from>\r\n<to>3,4</to>\r\n<room>\r\n<title>R</title>\r\n",
       {"T", "A", 1, 2, 3, 4, 0, {}}},
      {"last lines win, no room or story",
       "<TITLE>a</TITLE>\n<Title>b</Title>\n<author>x</author>\n<AUTHOR>y</AUTHOR>\n<from>5,6</from>\n<from>7</from>\n",
       {"b", "y", 5, 6, 0, 0, 0, {}}},
      {"title on the last line without a line end", "<author>a</author>\n<title>End</title>",
       {"End", "a", 0, 0, 0, 0, 0, {}}},
      {"map points", "<from> $1F , -3 </from>\n<to>12x,7,9</to>\n<room>\n", {"", "", 31, -3, 12, 7, 0, {}}},
      {"map point without a side", "<from>,4</from>\n<to>4,</to>\n<room>\n", {"", "", 0, 0, 0, 0, 0, {}}},
      {"words convert to 0", "<from>5,5</from>\n<from>a,b</from>\n<room>\n", {"", "", 0, 0, 0, 0, 0, {}}},
      {"story with blanks",
       "<story>\n\n\t\n  first  \n\n<b>bold</b>\n<open\n\n</story>\n<title>after</title>\n",
       {"", "", 0, 0, 0, 0, 5, {"first", "", "bold", "", ""}}},
      {"story runs into the room", "<story>\nx\ny\n<room>\nz\n", {"", "", 0, 0, 0, 0, 3, {"x", "y", ""}}},
      {"story to the end of the file", "<story>\nx\n\ny", {"", "", 0, 0, 0, 0, 3, {"x", "", "y"}}},
      {"story on one line goes on", "<story>one</story>\ntwo\n</story>\n<title>no</title>\n",
       {"", "", 0, 0, 0, 0, 2, {"one", "two"}}},
      {"tags inside the story count", "<story>\n<title>In</title>\n</story>\n", {"In", "", 0, 0, 0, 0, 1, {"In"}}},
      {"closing the story ends the header", "</story>\n<title>late</title>\n", {"", "", 0, 0, 0, 0, 0, {}}},
      {"a second story line start", "<story>\na\n<story>\n\nb\n</story>\n", {"", "", 0, 0, 0, 0, 2, {"a", "b"}}},
      {"a blank inside the tag", "<ti tle>x</ti tle>\n<room>\n", {"", "", 0, 0, 0, 0, 0, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const game g = ReadHeaderOf(c.bytes);
    EXPECT_EQ(g.name, "h.xml");
    EXPECT_EQ(g.Title, c.want.title);
    EXPECT_EQ(g.author, c.want.author);
    EXPECT_EQ(g.SX, c.want.sx);
    EXPECT_EQ(g.SY, c.want.sy);
    EXPECT_EQ(g.EX, c.want.ex);
    EXPECT_EQ(g.EY, c.want.ey);
    EXPECT_EQ(g.store, c.want.store);
    for (size_t k = 0; k < c.want.story.size(); ++k) EXPECT_EQ(g.Story[k + 1], c.want.story[k]) << k + 1;
    for (size_t k = c.want.story.size() + 1; k < 100; ++k) EXPECT_EQ(g.Story[k], "") << k;
  }
}

TEST_F(BrowserTest, StoryLinesPastTheNinetyNinthAreCountedOnly) {
  std::string bytes = "<story>\n";
  for (int k = 1; k <= 150; ++k) bytes += "line " + std::to_string(k) + "\n";
  bytes += "</story>\n";
  const game g = ReadHeaderOf(bytes);
  EXPECT_EQ(g.store, 150);
  EXPECT_EQ(g.Story[0], "");
  EXPECT_EQ(g.Story[1], "line 1");
  EXPECT_EQ(g.Story[99], "line 99");
}

}  // namespace

// The shipped level pack, read through the game's own level reader, keeps the
// pack's rules: titles that sort in play order before the player's own level,
// short headers and stories, map points on the map and chained from level to
// level, known styles, a safe start room, a cross and every pickup where a
// player can reach them, a key for every gate, rooms closed so that no way
// leads into a place with no room, and, once the whole
// pack is in, every kind and every style used somewhere. Every broken rule is
// reported with its level, room and cell.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "datagen/level_ways.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "level/records.h"
#include "level/rooms.h"
#include "platform/files.h"
#include "platform/test/test_backend.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFirstStyle = 1, kLastShippedStyle = 6;
constexpr int kPackLevels = 6;
constexpr size_t kMaxTitle = 24, kMaxAuthor = 20, kMaxStoryLines = 12, kMaxStoryLine = 40, kMaxRoomTitle = 30;
constexpr int kMapLeft = 16, kMapRight = 174, kMapTop = 16, kMapBottom = 128;
// The start room's top half: where the player appears, and the columns kept
// clear of anything that hurts or shoots.
constexpr int kStartColumn = 2, kStartClearColumns = 6;

// One level as the game reads it.
struct PackLevel {
  std::string file;
  game header;
  std::vector<std::shared_ptr<layout>> rooms;  // in file order, the empty room left out
  std::string text;                             // the file's bytes
};

PackLevel ReadPackLevel(const std::string& folder, const std::string& file) {
  PackLevel lv;
  lv.file = file;
  lv.text = testutil::ReadBytes(folder + "/" + file);
  Paths.levels = folder + "/";
  Stream in = ReadFile(Paths.levels + file);
  if (in) {
    ReadLevelHeader(in, lv.header);
    CloseFile(in);
  }
  GetLevel(file);
  for (const auto& r : rooms)
    if (r != EmptyRoom) lv.rooms.push_back(r);
  return lv;
}

std::string RoomName(const layout& r) {
  return "room " + std::to_string(r.roomx) + "," + std::to_string(r.roomy) + " '" + r.title + "'";
}

const char* HalfName(int half) { return half == 0 ? "top half" : "bottom half"; }

std::string CellName(const layout& r, int half, int layer, int column) {
  return RoomName(r) + " " + HalfName(half) + " layer " + std::to_string(layer) + " column " + std::to_string(column);
}

bool IsCreature(int32_t code) { return code >= kBat && code <= kSpike3; }
bool IsPickup(int32_t code) { return (code >= kGem && code <= kAmmo2) || (code >= kKeyYellow && code <= kKeyBlue); }

levelways::RoomCells Cells(const layout& r) {
  levelways::RoomCells c;
  c.x = r.roomx;
  c.y = r.roomy;
  for (int h = 0; h < 2; ++h)
    for (int l = 0; l < 4; ++l)
      for (int col = 0; col < kRoomColumns; ++col) c.at(h, l, col) = r.objEdit[size_t(RoomCell(h, l, col))];
  return c;
}

std::string WayText(const levelways::Exit& e) {
  switch (e.way) {
    case levelways::Way::kLeft: return "a walk off the left side";
    case levelways::Way::kRight: return "a walk off the right side";
    case levelways::Way::kDown: return "a fall through the hole";
    case levelways::Way::kUp: return "a climb out of the top";
  }
  return "";
}

bool StartsWithTwoDigits(const std::string& s) {
  return s.size() >= 2 && std::isdigit(static_cast<unsigned char>(s[0])) && std::isdigit(static_cast<unsigned char>(s[1]));
}

// Every rule one level keeps on its own.
std::vector<std::string> CheckLevel(const PackLevel& lv) {
  std::vector<std::string> bad;
  const game& h = lv.header;
  auto fail = [&](const std::string& what) { bad.push_back(lv.file + ": " + what); };

  if (!StartsWithTwoDigits(h.Title)) fail("title '" + h.Title + "' does not start with two digits");
  if (h.Title.size() > kMaxTitle) fail("title '" + h.Title + "' is longer than 24 characters");
  if (!(h.Title < kYourLevelTitle)) fail("title '" + h.Title + "' does not sort before '" + kYourLevelTitle + "'");
  if (h.author.empty() || h.author.size() > kMaxAuthor) fail("author '" + h.author + "' is empty or longer than 20");
  auto onMap = [&](const char* which, int x, int y) {
    if (x < kMapLeft || x > kMapRight || y < kMapTop || y > kMapBottom)
      fail(std::string(which) + " point " + std::to_string(x) + "," + std::to_string(y) +
           " lies outside x 16-174, y 16-128 of the map");
  };
  onMap("from", h.SX, h.SY);
  onMap("to", h.EX, h.EY);
  if (size_t(h.store) > kMaxStoryLines) fail("story has " + std::to_string(h.store) + " lines, more than 12");
  for (int i = 1; i <= std::min(h.store, 99); ++i)
    if (h.Story[size_t(i)].size() > kMaxStoryLine)
      fail("story line " + std::to_string(i) + " '" + h.Story[size_t(i)] + "' is longer than 40 characters");
  // A '<' in the story would be read as a tag; the reader cannot tell, the file can.
  bool inStory = false;
  for (const auto& raw : testutil::CrlfLines(lv.text)) {
    const TagLine t = ReadTag(raw);
    if (t.tag == "STORY") {
      inStory = true;
      continue;
    }
    if (t.tag == "/STORY") break;
    if (!inStory) continue;
    if (raw.find('<') != std::string::npos) fail("story line '" + raw + "' holds a '<'");
  }

  std::map<std::pair<int, int>, int> seen;
  for (const auto& rp : lv.rooms) {
    const layout& r = *rp;
    if (++seen[{r.roomx, r.roomy}] == 2) fail(RoomName(r) + " shares its place with another room");
    if (r.title.size() > kMaxRoomTitle) fail(RoomName(r) + ": title is longer than 30 characters");
    const int32_t styles[2] = {r.StyleTop, r.StyleBot}, frames[2] = {r.BGTop, r.BGBot};
    for (int half = 0; half < 2; ++half) {
      if (styles[half] < kFirstStyle || styles[half] > kLastShippedStyle)
        fail(RoomName(r) + " " + HalfName(half) + ": style " + std::to_string(styles[half]) + " is not one of 1..6");
      if (frames[half] != 0 && frames[half] != 1)
        fail(RoomName(r) + " " + HalfName(half) + ": gfx " + std::to_string(frames[half]) + " is not 0 or 1");
    }
  }

  // The start room.
  const layout* start = nullptr;
  for (const auto& rp : lv.rooms)
    if (rp->roomx == 0 && rp->roomy == 0) start = rp.get();
  if (!start) {
    fail("has no start room at 0,0");
  } else {
    for (int layer = 0; layer < 4; ++layer) {
      const int32_t code = start->objEdit[size_t(RoomCell(0, layer, kStartColumn))];
      if (IsSolidKind(code) || code == kHole)
        fail(CellName(*start, 0, layer, kStartColumn) + ": the player starts on a " + KindName(code));
      for (int col = 0; col < kStartClearColumns; ++col) {
        const int32_t c = start->objEdit[size_t(RoomCell(0, layer, col))];
        if (IsCreature(c) || c == kMine || c == kTurretLeft || c == kTurretRight)
          fail(CellName(*start, 0, layer, col) + ": a " + KindName(c) + " next to where the player starts");
      }
    }
  }

  // Where a player can go: every way out of a room leads into a room, and a
  // cross can be reached.
  std::vector<levelways::RoomCells> cells;
  for (const auto& rp : lv.rooms) cells.push_back(Cells(*rp));
  const levelways::Ways ways = levelways::Explore(cells);
  for (const auto& e : ways.exits) {
    if (e.intoRoom) continue;
    const layout& r = *lv.rooms[size_t(e.room)];
    fail(RoomName(r) + " " + HalfName(e.half) + " column " + std::to_string(e.column) + ": " + WayText(e) +
         " leads to " + std::to_string(e.toX) + "," + std::to_string(e.toY) + " where there is no room");
  }
  bool cross = false, reachable = false;
  for (size_t i = 0; i < lv.rooms.size(); ++i)
    for (int half = 0; half < 2; ++half)
      for (int layer = 0; layer < 4; ++layer)
        for (int col = 0; col < kRoomColumns; ++col)
          if (lv.rooms[i]->objEdit[size_t(RoomCell(half, layer, col))] == kCross) {
            cross = true;
            if (ways.reached[i][size_t(half * kRoomColumns + col)]) reachable = true;
          }
  if (!cross) fail("has no cross");
  else if (!reachable) fail("has no cross a player can reach from the start");
  // Every pickup lies where a player can stand, and every gate's key is in the
  // level: keys are cleared at each level's start.
  std::set<int32_t> held;
  for (const auto& rp : lv.rooms)
    for (int32_t c : rp->objEdit) held.insert(c);
  for (size_t i = 0; i < lv.rooms.size(); ++i)
    for (int half = 0; half < 2; ++half)
      for (int layer = 0; layer < 4; ++layer)
        for (int col = 0; col < kRoomColumns; ++col) {
          const layout& r = *lv.rooms[i];
          const int32_t c = r.objEdit[size_t(RoomCell(half, layer, col))];
          if (IsPickup(c) && c != kCross && !ways.reached[i][size_t(half * kRoomColumns + col)])
            fail(CellName(r, half, layer, col) + ": a " + KindName(c) + " no player can reach");
          if (GateKey(c) != 0 && !held.count(GateKey(c)))
            fail(CellName(r, half, layer, col) + ": a " + KindName(c) + " but no " + KindName(GateKey(c)) +
                 " in the level");
        }
  return bad;
}

// The rules of the pack as a whole, over levels in title order.
std::vector<std::string> CheckPack(const std::vector<PackLevel>& pack) {
  std::vector<std::string> bad;
  for (size_t k = 0; k < pack.size(); ++k) {
    const game& h = pack[k].header;
    const std::string want = (k + 1 < 10 ? "0" : "") + std::to_string(k + 1);
    if (h.Title.substr(0, 2) != want)
      bad.push_back(pack[k].file + ": level " + std::to_string(k + 1) + " in title order is titled '" + h.Title + "'");
    if (k + 1 < pack.size()) {
      const game& next = pack[k + 1].header;
      if (h.EX != next.SX || h.EY != next.SY)
        bad.push_back(pack[k].file + ": ends at " + std::to_string(h.EX) + "," + std::to_string(h.EY) + " but " +
                      pack[k + 1].file + " starts at " + std::to_string(next.SX) + "," + std::to_string(next.SY));
    }
  }
  std::set<int32_t> kinds, styles;
  for (const auto& lv : pack)
    for (const auto& r : lv.rooms) {
      for (int32_t c : r->objEdit)
        if (c > 0) kinds.insert(c);
      styles.insert(r->StyleTop);
      styles.insert(r->StyleBot);
    }
  for (int32_t code = 1; code < 200; ++code)
    if (!OBJN[size_t(code)].empty() && !kinds.count(code)) bad.push_back("no level holds a " + KindName(code));
  for (int s = kFirstStyle; s <= kLastShippedStyle; ++s)
    if (!styles.count(s)) bad.push_back("no room uses style " + std::to_string(s));
  return bad;
}

std::vector<PackLevel> ReadPack(const std::string& folder) {
  std::vector<PackLevel> pack;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (!IsLevelFileName(e.path().filename().string())) continue;
    PackLevel lv = ReadPackLevel(folder, e.path().filename().string());
    if (lv.header.Title == kYourLevelTitle) continue;
    pack.push_back(std::move(lv));
  }
  std::stable_sort(pack.begin(), pack.end(),
                   [](const PackLevel& a, const PackLevel& b) { return a.header.Title < b.header.Title; });
  return pack;
}

class LevelPack : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    MakeObjectKinds();
  }
  static std::string Shipped() {
    const char* dir = std::getenv("DUSKMOOR_GAME_DIR");
    return dir ? std::string(dir) + "/DuskmoorII_Levels" : std::string();
  }
};

TEST_F(LevelPack, EveryShippedLevelKeepsThePackRules) {
  ASSERT_FALSE(Shipped().empty());
  const auto pack = ReadPack(Shipped());
  ASSERT_FALSE(pack.empty());
  for (const auto& lv : pack)
    for (const auto& v : CheckLevel(lv)) ADD_FAILURE() << v;
  // Neighbours in play order already meet on the map, whatever else is missing.
  for (size_t k = 0; k + 1 < pack.size(); ++k) {
    const game& a = pack[k].header;
    const game& b = pack[k + 1].header;
    if (!StartsWithTwoDigits(a.Title) || !StartsWithTwoDigits(b.Title)) continue;
    if (std::stoi(a.Title.substr(0, 2)) + 1 != std::stoi(b.Title.substr(0, 2))) continue;
    EXPECT_TRUE(a.EX == b.SX && a.EY == b.SY)
        << pack[k].file << " ends at " << a.EX << "," << a.EY << " but " << pack[k + 1].file << " starts at " << b.SX
        << "," << b.SY;
  }
}

TEST_F(LevelPack, TheWholePackUsesEveryKindAndStyleAndChainsItsLevels) {
  const auto pack = ReadPack(Shipped());
  if (pack.size() < size_t(kPackLevels))
    GTEST_SKIP() << "the pack holds " << pack.size() << " of its " << kPackLevels << " levels so far";
  EXPECT_EQ(pack.size(), size_t(kPackLevels));
  for (const auto& v : CheckPack(pack)) ADD_FAILURE() << v;
}

// The rotten fort's cross lies behind its green chapel door. The map screen
// scrolls the story in from the bottom, so its last lines come some thirty
// seconds after the screen opens; the key is named in the opening lines, the
// ones a player who starts at once still sees.
TEST_F(LevelPack, TheRottenFortNamesTheChapelKeyInItsOpeningLines) {
  const auto pack = ReadPack(Shipped());
  const auto fort = std::find_if(pack.begin(), pack.end(),
                                 [](const PackLevel& lv) { return lv.header.Title == "03 - The Rotten Fort"; });
  ASSERT_NE(fort, pack.end());
  const game& h = fort->header;
  std::string opening;
  for (int i = 1; i <= std::min(h.store, 99) && !h.Story[size_t(i)].empty(); ++i) opening += h.Story[size_t(i)] + "\n";
  EXPECT_NE(opening.find("green key"), std::string::npos) << opening;
  EXPECT_NE(opening.find("chapel door"), std::string::npos) << opening;
}

TEST_F(LevelPack, EveryShippedLevelHasAMapWithRoomForItsWholeGrid) {
  for (const auto& lv : ReadPack(Shipped())) {
    SCOPED_TRACE(lv.file);
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    const std::string path = std::string(DUSKMOOR_LEVEL_MAPS) + "/" + fs::path(lv.file).stem().string() + ".png";
    ASSERT_TRUE(png_image_begin_read_from_file(&img, path.c_str())) << path;
    png_image_free(&img);
    int minx = 0, maxx = 0, miny = 0, maxy = 0;
    for (const auto& r : lv.rooms) {
      minx = std::min(minx, r->roomx);
      maxx = std::max(maxx, r->roomx);
      miny = std::min(miny, r->roomy);
      maxy = std::max(maxy, r->roomy);
    }
    // Rooms are drawn at twice their 184 x 128 pixels.
    EXPECT_GE(int(img.width), (maxx - minx + 1) * 368);
    EXPECT_GE(int(img.height), (maxy - miny + 1) * 256);
  }
}

TEST_F(LevelPack, TheGameKnowsThirtyThreeKinds) {
  int named = 0;
  for (int32_t code = 1; code < 200; ++code) named += OBJN[size_t(code)].empty() ? 0 : 1;
  EXPECT_EQ(named, 33);
}

// ---- the checker finds what it is there to find -------------------------------------------

struct HalfPlan {
  int style = 1, gfx = 1;
  std::string layers[4] = {std::string(23, '.'), std::string(23, '.'), std::string(23, '.'), std::string(23, '.')};
};
struct RoomPlan {
  std::string title;
  int x = 0, y = 0;
  HalfPlan half[2];
};
struct LevelPlan {
  std::string title = "01 - Test Moor", author = "Duskmoor Makers";
  int sx = 40, sy = 100, ex = 66, ey = 84;
  std::vector<std::string> story = {"A short walk.", "", "Find the cross."};
  std::vector<RoomPlan> rooms;
};

std::string Name(char c) {
  static const std::map<char, std::string> names = {
      {'W', "wall"}, {'H', "hole"}, {'L', "ladder"}, {'*', "gem"}, {'+', "cross"}, {'B', "bat"},
      {'m', "mine"}, {'>', "turret_right"}, {'y', "gate_yellow"}, {'1', "key_yellow"}};
  return names.at(c);
}

// Writes a level in the layout of the game's writer.
std::string LevelText(const LevelPlan& s) {
  std::string out;
  auto put = [&](const std::string& line) { out += line + "\r\n"; };
  put("<title>" + s.title + "</title>");
  put("<author>" + s.author + "</author>");
  put("");
  put("<from>" + std::to_string(s.sx) + "," + std::to_string(s.sy) + "</from>");
  put("<to>" + std::to_string(s.ex) + "," + std::to_string(s.ey) + "</to>");
  put("");
  put("<story>");
  for (const auto& l : s.story) put("\t" + l);
  put("</story>");
  for (const auto& r : s.rooms) {
    put("<room>");
    put("\t<title>" + r.title + "</title>");
    put("\t<position>" + std::to_string(r.x) + "," + std::to_string(r.y) + "</position>");
    for (int h = 0; h < 2; ++h) {
      put(h == 0 ? "\t<top>" : "\t<bottom>");
      put("\t\t<style>" + std::to_string(r.half[h].style) + "</style>");
      put("\t\t<gfx>" + std::to_string(r.half[h].gfx) + "</gfx>");
      for (const auto& layer : r.half[h].layers) {
        put("\t\t<layer>");
        for (size_t c = 0; c < layer.size(); ++c)
          if (layer[c] != '.') put("\t\t\t" + std::to_string(c) + ":" + Name(layer[c]));
        put("\t\t</layer>");
      }
      put(h == 0 ? "\t</top>" : "\t</bottom>");
    }
    put("</room>");
  }
  return out;
}

// Two rooms side by side, walled all round; a hole down from the first room's
// top and a ladder back up; the cross in the second room.
LevelPlan GoodLevel() {
  LevelPlan s;
  RoomPlan a;
  a.title = "The Edge";
  a.half[0].layers[0] = "W.........H............";
  a.half[0].layers[2] = "........*..............";
  a.half[1].style = 2;
  a.half[1].gfx = 0;
  a.half[1].layers[0] = "W...........L.........W";
  RoomPlan b;
  b.title = "The Chapel";
  b.x = 1;
  b.half[0].style = 6;
  b.half[0].layers[0] = "......................W";
  b.half[0].layers[2] = "...............+.......";
  b.half[1].style = 6;
  b.half[1].gfx = 0;
  b.half[1].layers[0] = "W.....................W";
  s.rooms = {a, b};
  return s;
}

struct BrokenCase {
  const char* what;
  void (*breakIt)(LevelPlan&);
  const char* reported;  // a part of the report
};

const BrokenCase kBroken[] = {
    {"title without digits", [](LevelPlan& s) { s.title = "Test Moor"; }, "does not start with two digits"},
    {"long title", [](LevelPlan& s) { s.title = "01 - A Very Long Walk Across"; }, "longer than 24"},
    {"title after the player's", [](LevelPlan& s) { s.title = "zz - Last"; }, "does not sort before"},
    {"long author", [](LevelPlan& s) { s.author = "The Duskmoor Makers Guild"; }, "author"},
    {"from off the map", [](LevelPlan& s) { s.sx = 15; }, "from point 15,100 lies outside"},
    {"to off the map", [](LevelPlan& s) { s.ey = 129; }, "to point 66,129 lies outside"},
    {"long story", [](LevelPlan& s) { s.story.assign(13, "More."); }, "story has 13 lines"},
    {"wide story line", [](LevelPlan& s) { s.story[0] = std::string(41, 'a'); }, "longer than 40"},
    {"story with a tag sign", [](LevelPlan& s) { s.story[2] = "Find the cross <now>."; }, "holds a '<'"},
    {"long room title", [](LevelPlan& s) { s.rooms[1].title = std::string(31, 'x'); }, "title is longer than 30 characters"},
    {"style 7", [](LevelPlan& s) { s.rooms[1].half[1].style = 7; }, "room 1,0 'The Chapel' bottom half: style 7"},
    {"style 0", [](LevelPlan& s) { s.rooms[0].half[0].style = 0; }, "top half: style 0"},
    {"gfx 2", [](LevelPlan& s) { s.rooms[0].half[1].gfx = 2; }, "bottom half: gfx 2"},
    {"no start room", [](LevelPlan& s) { s.rooms[0].x = 2; }, "has no start room at 0,0"},
    {"start on a wall", [](LevelPlan& s) { s.rooms[0].half[0].layers[1][2] = 'W'; },
     "room 0,0 'The Edge' top half layer 1 column 2: the player starts on a wall"},
    {"start on a hole", [](LevelPlan& s) { s.rooms[0].half[0].layers[0][2] = 'H'; }, "starts on a hole"},
    {"bat at the start", [](LevelPlan& s) { s.rooms[0].half[0].layers[3][5] = 'B'; },
     "top half layer 3 column 5: a bat next to"},
    {"mine at the start", [](LevelPlan& s) { s.rooms[0].half[0].layers[2][3] = 'm'; }, "a mine next to"},
    {"turret at the start", [](LevelPlan& s) { s.rooms[0].half[0].layers[2][0] = '>'; }, "a turret_right next to"},
    {"no cross", [](LevelPlan& s) { s.rooms[1].half[0].layers[2][15] = '.'; }, "has no cross"},
    {"cross behind a wall", [](LevelPlan& s) { s.rooms[1].half[0].layers[1][10] = 'W'; },
     "has no cross a player can reach"},
    {"open right side", [](LevelPlan& s) { s.rooms[1].half[0].layers[0][22] = '.'; },
     "room 1,0 'The Chapel' top half column 22: a walk off the right side leads to 2,0 where there is no room"},
    {"open left side below", [](LevelPlan& s) { s.rooms[0].half[1].layers[0][0] = '.'; },
     "room 0,0 'The Edge' bottom half column 0: a walk off the left side leads to -1,0"},
    {"hole into nothing", [](LevelPlan& s) { s.rooms[0].half[1].layers[2][7] = 'H'; },
     "bottom half column 7: a fall through the hole leads to 0,1 where there is no room"},
    {"ladder into nothing", [](LevelPlan& s) { s.rooms[1].half[0].layers[0][4] = 'L'; },
     "top half column 4: a climb out of the top leads to 1,-1"},
    {"gem behind a wall", [](LevelPlan& s) { s.rooms[1].half[1].layers[2][5] = '*'; },
     "room 1,0 'The Chapel' bottom half layer 2 column 5: a gem no player can reach"},
    {"key out of reach", [](LevelPlan& s) { s.rooms[1].half[1].layers[2][6] = '1'; }, "a key_yellow no player can reach"},
    {"gate without its key", [](LevelPlan& s) { s.rooms[1].half[0].layers[0][12] = 'y'; },
     "room 1,0 'The Chapel' top half layer 0 column 12: a gate_yellow but no key_yellow in the level"},
    {"two rooms in one place", [](LevelPlan& s) { s.rooms.push_back(s.rooms[1]); }, "shares its place"},
};

class LevelPackChecker : public LevelPack {
 protected:
  std::vector<std::string> Check(const LevelPlan& s) {
    const std::string dir = testutil::OwnTempPath("level-pack");
    fs::create_directories(dir);
    testutil::WriteBytes(dir + "/01 - Test.xml", LevelText(s));
    auto found = CheckLevel(ReadPackLevel(dir, "01 - Test.xml"));
    fs::remove_all(dir);
    return found;
  }
};

TEST_F(LevelPackChecker, PassesAGoodLevelAndReportsEveryBrokenRuleWithItsPlace) {
  const auto good = Check(GoodLevel());
  EXPECT_TRUE(good.empty()) << good.front();
  for (const auto& c : kBroken) {
    SCOPED_TRACE(c.what);
    LevelPlan s = GoodLevel();
    c.breakIt(s);
    const auto found = Check(s);
    std::string all;
    for (const auto& f : found) all += f + "\n";
    EXPECT_NE(all.find(c.reported), std::string::npos) << all;
    for (const auto& f : found) EXPECT_EQ(f.rfind("01 - Test.xml: ", 0), 0u) << f;
  }
}

TEST_F(LevelPackChecker, AGatedEdgeIsAWayOutAndAWalledOneIsNot) {
  // A gate opens with its key, so it does not close a room; a wall anywhere
  // between the player and the side does.
  LevelPlan gated = GoodLevel();
  gated.rooms[1].half[0].layers[0][22] = 'y';
  gated.rooms[0].half[0].layers[2][12] = '1';
  const auto found = Check(gated);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].find("column 22: a walk off the right side leads to 2,0"), std::string::npos) << found[0];
  LevelPlan walled = GoodLevel();
  walled.rooms[1].half[0].layers[0][22] = '.';
  walled.rooms[1].half[0].layers[1][19] = 'W';
  EXPECT_TRUE(Check(walled).empty());
}

TEST_F(LevelPackChecker, ThePackRulesFindAMissingKindStyleLinkAndNumber) {
  const std::string dir = testutil::OwnTempPath("level-pack-whole");
  fs::create_directories(dir);
  LevelPlan one = GoodLevel(), two = GoodLevel();
  two.title = "03 - Test Fort";
  two.sx = 70;
  testutil::WriteBytes(dir + "/a.xml", LevelText(one));
  testutil::WriteBytes(dir + "/b.xml", LevelText(two));
  const auto pack = ReadPack(dir);
  fs::remove_all(dir);
  ASSERT_EQ(pack.size(), 2u);
  std::string all;
  for (const auto& f : CheckPack(pack)) all += f + "\n";
  for (const char* want : {"b.xml: level 2 in title order is titled '03 - Test Fort'",
                           "a.xml: ends at 66,84 but b.xml starts at 70,100", "no level holds a vine",
                           "no level holds a spike3", "no room uses style 3"})
    EXPECT_NE(all.find(want), std::string::npos) << want << "\n" << all;
  EXPECT_EQ(all.find("no level holds a wall\n"), std::string::npos) << all;
  EXPECT_EQ(all.find("no room uses style 6"), std::string::npos) << all;
}

}  // namespace

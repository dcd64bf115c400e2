#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "level/records.h"
#include "platform/list.h"

namespace {

bool AllZero(const auto& a) {
  return std::all_of(a.begin(), a.end(), [](int32_t v) { return v == 0; });
}

TEST(Records, NewRoomIsAllZero) {
  layout r;
  EXPECT_EQ(r.obj.size(), 200u);
  EXPECT_EQ(r.objEdit.size(), 200u);
  EXPECT_TRUE(AllZero(r.obj));
  EXPECT_TRUE(AllZero(r.objEdit));
  EXPECT_EQ(r.roomx | r.roomy | r.offTop | r.offBot, 0);
  EXPECT_EQ(r.StyleTop | r.StyleBot | r.BGTop | r.BGBot, 0);
  EXPECT_EQ(r.title, "");
}

TEST(Records, NewMovingThingIsAllZero) {
  ect e;
  EXPECT_EQ(e.inv.size(), 20u);
  EXPECT_EQ(e.ammo.size(), 360u);
  EXPECT_TRUE(AllZero(e.inv));
  EXPECT_TRUE(AllZero(e.ammo));
  const int32_t fields[] = {e.oID, e.x,    e.y,    e.layer, e.gx,        e.roomx, e.roomy,     e.stp,
                            e.anim, e.jump, e.jumpx, e.d,   e.t,         e.dead,  e.tick,      e.tickreset,
                            e.fire, e.firepower, e.health, e.score};
  for (int32_t f : fields) EXPECT_EQ(f, 0);
}

TEST(Records, NewHeaderAndTrailDotAreEmpty) {
  game g;
  EXPECT_EQ(g.name + g.Title + g.author, "");
  EXPECT_EQ(g.SX | g.SY | g.EX | g.EY | g.store, 0);
  ASSERT_EQ(g.Story.size(), 100u);
  for (const auto& s : g.Story) EXPECT_EQ(s, "");
  ve v;
  EXPECT_EQ(v.x | v.y | v.ang, 0);
}

TEST(Records, FieldsAreExactly32Bit) {
  static_assert(sizeof(layout{}.obj[0]) == 4 && sizeof(ect{}.ammo[0]) == 4 && sizeof(ect{}.x) == 4);
  static_assert(sizeof(game{}.store) == 4 && sizeof(ve{}.ang) == 4 && sizeof(layout{}.StyleTop) == 4);
  ect e;
  e.x = INT32_MAX;
  EXPECT_EQ(e.x, 2147483647);
}

TEST(Records, HeaderCompareByTitle) {
  struct Case {
    const char* mine;
    const char* other;
    int32_t expected;
  };
  const Case cases[] = {
      {"b", "a", 1},            // this one sorts after the other
      {"a", "b", 0},            // before
      {"same", "same", 0},      // equal titles
      {"Zebra", "apple", 0},    // upper case before lower case
      {"apple", "Zebra", 1},
      {"Cave", "Cave 2", 0},    // a prefix sorts first
      {"Cave 2", "Cave", 1},
      {"", "a", 0},
      {"a", "", 1},
      {"\xe9t\xe9", "zoo", 1},  // bytes compare unsigned: 0xE9 after 'z'
  };
  for (const Case& c : cases) {
    game a, b;
    a.Title = c.mine;
    b.Title = c.other;
    EXPECT_EQ(a.Compare(b), c.expected) << c.mine << " vs " << c.other;
    EXPECT_EQ(a.Compare(&b), c.expected);
  }
  game a;
  EXPECT_EQ(a.Compare(nullptr), 1);
}

TEST(Records, HeadersSortAscendingAndStable) {
  List<game> list;
  const char* titles[] = {"beta", "Alpha", "beta", "alpha", "Beta", "Alpha"};
  int serial = 0;
  for (const char* t : titles) {
    auto g = std::make_shared<game>();
    g->Title = t;
    g->name = std::to_string(serial++);
    ListAddLast(list, g);
  }
  SortList(list);
  std::vector<std::string> got;
  for (const auto& g : list) got.push_back(g->Title + "#" + g->name);
  const std::vector<std::string> want = {"Alpha#1", "Alpha#5", "Beta#4", "alpha#3", "beta#0", "beta#2"};
  EXPECT_EQ(got, want);
}

TEST(Records, OtherRecordsRemoveByIdentity) {
  List<layout> list;
  auto a = std::make_shared<layout>();
  auto b = std::make_shared<layout>();  // equal in every field
  ListAddLast(list, a);
  ListAddLast(list, b);
  EXPECT_TRUE(ListRemove(list, b));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.First(), a);
}

TEST(Records, RoomCellIndex) {
  struct Case {
    int32_t half, layer, column, index;
  };
  const Case cases[] = {{0, 0, 0, 0}, {1, 3, 22, 197}, {0, 1, 5, 30}, {1, 0, 0, 100}, {0, 2, 4, 54}, {1, 2, 12, 162}};
  for (const Case& c : cases) {
    EXPECT_EQ(RoomCell(c.half, c.layer, c.column), c.index);
    EXPECT_EQ(CellHalf(c.index), c.half);
    EXPECT_EQ(CellLayer(c.index), c.layer);
    EXPECT_EQ(CellColumn(c.index), c.column);
  }
  EXPECT_EQ(kRoomWidth, 184);
  for (int32_t layer : {0, 1, 2}) EXPECT_EQ(HalfOfLayer(layer), 0);
  for (int32_t layer : {3, 4}) EXPECT_EQ(HalfOfLayer(layer), 1);
  EXPECT_EQ(LayerOfHalf(0), 2);
  EXPECT_EQ(LayerOfHalf(1), 4);
}

}  // namespace

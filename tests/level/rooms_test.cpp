#include <string>
#include <vector>

#include "level_test_util.h"

namespace {

using leveltest::LevelTest;

class RoomEntry : public LevelTest {
 protected:
  void SetUp() override {
    LevelTest::SetUp();
    GetLevel("none");
    pla = std::make_shared<ect>();
    pla->x = 20;
    pla->layer = 2;
    pla->health = 100;
    ListAddLast(objects, pla);
  }

  std::shared_ptr<layout> AddRoom(int32_t x, int32_t y, const std::string& title = "") {
    auto r = NewBlankRoom();
    r->roomx = x;
    r->roomy = y;
    r->title = title;
    ListAddLast(rooms, r);
    return r;
  }

  void GoTo(int32_t x, int32_t y) {
    pla->roomx = x;
    pla->roomy = y;
    MyRoom();
  }
};

TEST_F(RoomEntry, ChoosesTheRoomAtThePlayersPosition) {
  const auto a = AddRoom(0, 0, "a");
  const auto b = AddRoom(2, -1, "b");
  const auto b2 = AddRoom(2, -1, "b2");
  struct Case {
    int32_t x, y;
    std::shared_ptr<layout> want;
  };
  const Case cases[] = {{0, 0, a}, {2, -1, b2}, {5, 5, EmptyRoom}, {-1, 0, EmptyRoom}};
  for (const Case& c : cases) {
    GoTo(c.x, c.y);
    EXPECT_EQ(ThisRoom, c.want) << c.x << "," << c.y;
    EXPECT_EQ(objects.ToVector(), std::vector<std::shared_ptr<ect>>{pla});
  }
  (void)b;
}

TEST_F(RoomEntry, SpawnsCreaturesInCellOrder) {
  const auto r = AddRoom(3, 4);
  r->obj[RoomCell(0, 1, 5)] = 160;   // bat
  r->obj[RoomCell(1, 0, 0)] = 168;   // bear
  r->obj[RoomCell(1, 3, 22)] = 166;  // spikey
  r->obj[RoomCell(0, 0, 1)] = 96;    // a gem stays a cell
  GoTo(3, 4);
  const auto list = objects.ToVector();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0], pla);
  struct Want {
    int32_t t, oID, x, layer, gx, tick, tickreset;
  };
  const Want want[] = {{160, 30, 40, 2, 1, 0, 0}, {168, 100, 0, 4, 1, 1, 2}, {166, 197, 176, 4, 0, 0, 0}};
  for (size_t i = 0; i < 3; ++i) {
    const ect& e = *list[i + 1];
    const Want& w = want[i];
    SCOPED_TRACE(w.t);
    EXPECT_EQ(e.t, w.t);
    EXPECT_EQ(e.oID, w.oID);
    EXPECT_EQ(e.x, w.x);
    EXPECT_EQ(e.y, 0);
    EXPECT_EQ(e.layer, w.layer);
    EXPECT_EQ(e.gx, w.gx);
    EXPECT_EQ(e.tick, w.tick);
    EXPECT_EQ(e.tickreset, w.tickreset);
    EXPECT_EQ(e.d, 1);
    EXPECT_EQ(e.health, 0);
    EXPECT_EQ(e.roomx, 3);
    EXPECT_EQ(e.roomy, 4);
    const int32_t rest[] = {e.stp, e.anim, e.jump, e.jumpx, e.dead, e.fire, e.firepower, e.score};
    for (int32_t v : rest) EXPECT_EQ(v, 0);
    for (int32_t v : e.inv) EXPECT_EQ(v, 0);
    for (int32_t v : e.ammo) EXPECT_EQ(v, 0);
  }
  // The cells stay the creatures' spawning places.
  EXPECT_EQ(r->obj[30], 160);
  EXPECT_EQ(r->obj[100], 168);
}

TEST_F(RoomEntry, WhichCodesWalk) {
  const auto r = AddRoom(1, 0);
  std::vector<int32_t> codes;
  for (int32_t code = 150; code <= 260; ++code) codes.push_back(code);
  for (int32_t code : codes) {
    r->obj.fill(0);
    r->obj[RoomCell(0, 2, 7)] = code;
    GoTo(1, 0);
    const bool spawns = code >= 160 && code <= 255;
    ASSERT_EQ(objects.Count(), spawns ? 2 : 1) << code;
    if (!spawns) continue;
    const bool still = code == 166 || code == 172 || code == 174 || code == 176 || code == 178;
    EXPECT_EQ(objects.Last()->gx, still ? 0 : 1) << code;
    EXPECT_EQ(objects.Last()->tickreset, code == 168 ? 2 : 0) << code;
  }
}

TEST_F(RoomEntry, EmptiesObjectsDownToThePlayerByIdentity) {
  AddRoom(0, 0);
  auto shot = std::make_shared<ect>();
  shot->t = 64;
  auto twin = std::make_shared<ect>(*pla);  // equal in every field, but not the player
  auto old_player = std::make_shared<ect>();
  ListAddFirst(objects, shot);
  ListAddLast(objects, twin);
  ListAddFirst(objects, old_player);
  GoTo(0, 0);
  EXPECT_EQ(objects.ToVector(), std::vector<std::shared_ptr<ect>>{pla});
}

TEST_F(RoomEntry, EditorRestoresTheLiveCells) {
  const auto r = AddRoom(0, 1);
  r->objEdit[RoomCell(0, 0, 2)] = 160;
  r->objEdit[RoomCell(1, 2, 9)] = 96;
  r->obj = r->objEdit;
  r->obj[RoomCell(0, 0, 2)] = 0;   // the bat was killed
  r->obj[RoomCell(1, 2, 9)] = 0;   // the gem was taken
  r->obj[RoomCell(0, 3, 3)] = 150; // an explosion in progress
  GoTo(0, 1);
  EXPECT_EQ(objects.Count(), 1);    // in play the bat stays dead
  EXPECT_EQ(r->obj[RoomCell(1, 2, 9)], 0);
  editmode = 1;
  GoTo(0, 1);
  EXPECT_EQ(r->obj, r->objEdit);
  ASSERT_EQ(objects.Count(), 2);
  EXPECT_EQ(objects.Last()->t, 160);
}

TEST_F(RoomEntry, AddsARoomOnlyWhereThereIsNone) {
  const auto a = AddRoom(0, 0, "a");
  GoTo(0, 0);
  AddaRoom();
  EXPECT_EQ(rooms.Count(), 2);
  EXPECT_EQ(ThisRoom, a);

  auto shot = std::make_shared<ect>();
  ListAddFirst(objects, shot);
  pla->roomx = 3;
  pla->roomy = -2;
  MyRoom();
  ListAddFirst(objects, shot);
  ASSERT_EQ(ThisRoom, EmptyRoom);
  AddaRoom();
  ASSERT_EQ(rooms.Count(), 3);
  const auto added = rooms.Last();
  EXPECT_EQ(ThisRoom, added);
  EXPECT_NE(ThisRoom, EmptyRoom);
  EXPECT_EQ(room, added);
  EXPECT_EQ(added->roomx, 3);
  EXPECT_EQ(added->roomy, -2);
  EXPECT_EQ(added->StyleTop, 1);
  EXPECT_EQ(added->StyleBot, 2);
  EXPECT_EQ(added->BGTop, 1);
  EXPECT_EQ(added->BGBot, 0);
  EXPECT_EQ(added->title, "");
  EXPECT_EQ(added->offTop | added->offBot, 0);
  for (int32_t c = 0; c < kRoomCells; ++c) EXPECT_EQ(added->obj[c] | added->objEdit[c], 0);
  // Shots in flight are gone.
  EXPECT_EQ(objects.ToVector(), std::vector<std::shared_ptr<ect>>{pla});
  // The empty room itself is never changed.
  for (int32_t c = 0; c < kRoomCells; ++c) EXPECT_EQ(EmptyRoom->objEdit[c], 0);
}

TEST_F(RoomEntry, LeavesTheSharedCounterAlone) {
  const auto r = AddRoom(1, 1);
  r->obj[RoomCell(1, 1, 4)] = 162;
  n = 12345;
  GoTo(1, 1);
  EXPECT_EQ(n, 12345);
  pla->roomx = 9;
  MyRoom();
  AddaRoom();
  EXPECT_EQ(n, 12345);
}

TEST_F(RoomEntry, HooksChangeNothing) {
  const auto r = AddRoom(0, 0);
  r->objEdit[5] = r->obj[5] = 42;
  GoTo(0, 0);
  const auto before_cells = r->obj;
  const auto before_objects = objects.ToVector();
  for (int32_t half : {0, 1})
    for (int32_t layer = 0; layer < 4; ++layer)
      for (int32_t column = 0; column < 23; ++column) Remove(half, layer, column);
  Convert();
  EXPECT_EQ(r->obj, before_cells);
  EXPECT_EQ(r->objEdit[5], 42);
  EXPECT_EQ(objects.ToVector(), before_objects);
  EXPECT_EQ(ThisRoom, r);
  EXPECT_EQ(rooms.Count(), 2);
}

TEST_F(LevelTest, EnteringBeforeAnyLevelStandsInTheEmptyRoom) {
  ASSERT_TRUE(rooms.Empty());
  pla = std::make_shared<ect>();
  ListAddLast(objects, pla);
  MyRoom();
  ASSERT_NE(ThisRoom, nullptr);
  EXPECT_EQ(ThisRoom, EmptyRoom);
  EXPECT_EQ(rooms.Count(), 1);
  AddaRoom();
  EXPECT_EQ(rooms.Count(), 2);
  EXPECT_EQ(rooms.First(), EmptyRoom);
  EXPECT_EQ(ThisRoom, rooms.Last());
}

}  // namespace

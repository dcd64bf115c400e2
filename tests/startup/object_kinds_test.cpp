#include <gtest/gtest.h>

#include <set>
#include <string>

#include "startup_case.h"
#include "startup/object_kinds.h"

namespace {

using ObjectKinds = StartupCase;

struct Kind {
  int32_t code;
  const char* name;
  int32_t damage;
};

const Kind kAllKinds[] = {
    {40, "VINE", 0},         {41, "LADDER", 0},       {42, "WALL", 0},         {43, "WALL_CRAWL", 0},
    {45, "HOLE", 0},         {47, "GRIP", 0},         {48, "GATE_YELLOW", 0},  {49, "GATE_RED", 0},
    {50, "GATE_GREEN", 0},   {51, "GATE_BLUE", 0},    {52, "CRUMBLE", 0},      {96, "GEM", 0},
    {97, "CROSS", 0},        {98, "HP", 0},           {99, "AMMO", 0},         {101, "AMMO2", 0},
    {103, "MINE", 0},        {104, "KEY_YELLOW", 0},  {105, "KEY_RED", 0},     {106, "KEY_GREEN", 0},
    {107, "KEY_BLUE", 0},    {108, "TURRET_LEFT", 0}, {109, "TURRET_RIGHT", 0}, {160, "BAT", 1},
    {162, "DOG", 2},         {164, "BARREL", 1},      {166, "SPIKEY", 15},     {168, "BEAR", 10},
    {170, "SNAKE", 2},       {172, "SPIKE", 500},     {174, "FLAME", 12},      {176, "SPIKE2", 500},
    {178, "SPIKE3", 500},
};

TEST_F(ObjectKinds, TheKindTable) {
  MakeObjectKinds();
  ASSERT_EQ(std::size(kAllKinds), 33u);
  std::set<int32_t> named;
  for (const Kind& k : kAllKinds) {
    SCOPED_TRACE(k.name);
    named.insert(k.code);
    EXPECT_EQ(OBJN[k.code], k.name);
    EXPECT_EQ(ObjH[k.code], k.damage);
    EXPECT_EQ(TouchDamage(k.code), k.damage);
    // Both ways, in the letter cases a level file may use.
    const std::string lower = KindName(k.code);
    EXPECT_EQ(KindCode(lower), k.code);
    EXPECT_EQ(KindCode(k.name), k.code);
    std::string mixed = lower;
    mixed[0] = static_cast<char>(mixed[0] - 'a' + 'A');
    EXPECT_EQ(KindCode("  " + mixed + "\t"), k.code);
    for (char c : lower) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
  }
  for (int32_t code = 0; code < kKindCount; ++code) {
    if (named.count(code)) continue;
    EXPECT_EQ(OBJN[code], "") << code;
    EXPECT_EQ(ObjH[code], 0) << code;
    EXPECT_EQ(KindName(code), "") << code;
  }
  for (const char* unknown : {"", "DRAGON", "WALL X", "WAL", "GEM2", "KEY"}) EXPECT_EQ(KindCode(unknown), 0) << unknown;
  for (int32_t outside : {-1, 500, 100000}) {
    EXPECT_EQ(KindName(outside), "");
    EXPECT_EQ(TouchDamage(outside), 0);
  }
}

TEST_F(ObjectKinds, NamesOnlyMatchCodesBelow200) {
  MakeObjectKinds();
  OBJN[250] = "GHOST";  // a name outside the range files may name
  OBJN[0] = "NOTHING";
  EXPECT_EQ(KindCode("ghost"), 0);
  EXPECT_EQ(KindCode("nothing"), 0);
  OBJN[199] = "GEM";  // the highest matching code wins
  EXPECT_EQ(KindCode("gem"), 199);
}

TEST_F(ObjectKinds, BuildingEmptiesTheWorldLists) {
  ListAddLast(driving, std::make_shared<ve>());
  ListAddLast(levels, std::make_shared<game>());
  ListAddLast(rooms, std::make_shared<layout>());
  ListAddLast(objects, std::make_shared<ect>());
  OBJN[300] = "LEFTOVER";
  ObjH[42] = 9;
  MakeObjectKinds();
  EXPECT_TRUE(driving.Empty());
  EXPECT_TRUE(levels.Empty());
  EXPECT_TRUE(rooms.Empty());
  EXPECT_TRUE(objects.Empty());
  EXPECT_EQ(OBJN[300], "");
  EXPECT_EQ(ObjH[42], 0);
}

TEST_F(ObjectKinds, CodeClasses) {
  struct Class {
    const char* what;
    bool (*test)(int32_t);
    std::set<int32_t> members;
  };
  std::set<int32_t> thrown, spawned, targets;
  for (int32_t c = 64; c <= 95; ++c) thrown.insert(c);
  for (int32_t c = 160; c <= 255; ++c) spawned.insert(c);
  for (int32_t c = 96; c < 600; ++c)
    if (c != 166 && c != 172 && c != 174) targets.insert(c);
  const Class classes[] = {
      {"solid", IsSolidKind, {42, 43, 48, 49, 50, 51}},
      {"climbable", IsClimbKind, {40, 41}},
      {"grip", IsGripKind, {47}},
      {"thrown", IsThrownKind, thrown},
      {"spawned", IsSpawnedKind, spawned},
      {"shot target", IsShotTargetKind, targets},
      {"standing still", IsStillKind, {166, 172, 174, 176, 178}},
  };
  for (const Class& k : classes) {
    for (int32_t code = -10; code < 600; ++code) EXPECT_EQ(k.test(code), k.members.count(code) > 0) << k.what << " " << code;
  }
}

TEST_F(ObjectKinds, HolesAndTheirEnds) {
  struct Case {
    int32_t code, x;
    bool hole;
  };
  const Case cases[] = {
      {45, 0, true},   {45, 7, true},   {45, -3, true},
      {44, 2, false},  {44, 3, true},   {44, 7, true},   {44, 10, false}, {44, 11, true},
      {46, 4, true},   {46, 5, false},  {46, 12, true},  {46, 13, false},
      {46, -5, true},  {44, -5, false},  // left of the room the remainder is negative
      {42, 3, false},  {0, 3, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsHoleKind(c.code, c.x), c.hole) << c.code << " at " << c.x;
}

TEST_F(ObjectKinds, KillsAndKeys) {
  struct Kill {
    int32_t code, hits, points;
  };
  const Kill kills[] = {{160, 3, 50}, {162, 5, 100}, {168, 10, 250}, {164, 0, 0}, {170, 0, 0}, {176, 0, 0}, {166, 0, 0}};
  for (const Kill& k : kills) {
    EXPECT_EQ(KillHits(k.code), k.hits) << k.code;
    EXPECT_EQ(KillPoints(k.code), k.points) << k.code;
  }
  const std::pair<int32_t, int32_t> keys[] = {{48, 104}, {49, 105}, {50, 106}, {51, 107}, {47, 0}, {52, 0}, {104, 0}};
  for (const auto& [gate, key] : keys) EXPECT_EQ(GateKey(gate), key) << gate;
}

}  // namespace

// The ground classes under a moving thing: holes with their edge forms,
// climbable and solid cells, thrown kinds.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "game/game_state.h"
#include "game/terrain.h"
#include "startup/globals.h"

namespace {

void SetHere(std::array<int32_t, 4> codes) { Here = codes; }

TEST(Terrain, HoleEdgeFormsCountOnlyOnTheHoleSide) {
  struct Case {
    std::array<int32_t, 4> here;
    std::vector<int32_t> holeAt;
    std::vector<int32_t> groundAt;
  };
  const std::vector<Case> cases = {
      {{0, 0, 0, 0}, {}, {0, 3, 7, -1, 183}},
      {{0, 45, 0, 0}, {0, 3, 7, -1, -7, 183, -8}, {}},
      {{44, 0, 0, 0}, {3, 7, 11, 183}, {0, 2, 8, 10, -1, -2, -3, -4, -5, -6, -7}},
      {{0, 0, 0, 46}, {0, 4, 8, 12, -1, -2, -3, -4, -5, -6, -7}, {5, 7, 13, 183}},
      {{44, 0, 46, 0}, {0, 1, 2, 3, 4, 5, 6, 7, -1, -7}, {}},
      {{47, 52, 42, 41}, {}, {0, 4, 7}},
  };
  for (const Case& c : cases) {
    SetHere(c.here);
    for (int32_t at : c.holeAt) EXPECT_EQ(Hole(at), 1) << c.here[0] << "," << c.here[3] << " x=" << at;
    for (int32_t at : c.groundAt) EXPECT_EQ(Hole(at), 0) << c.here[0] << "," << c.here[3] << " x=" << at;
  }
}

TEST(Terrain, ClimbableAndSolidCodesInAnyLayer) {
  struct Case {
    int32_t code;
    int32_t climb;
    int32_t solid;
  };
  const std::vector<Case> cases = {
      {0, 0, 0},  {40, 1, 0}, {41, 1, 0}, {42, 0, 1}, {43, 0, 1}, {44, 0, 0}, {45, 0, 0}, {46, 0, 0},
      {47, 0, 0}, {48, 0, 1}, {49, 0, 1}, {50, 0, 1}, {51, 0, 1}, {52, 0, 0}, {96, 0, 0}, {160, 0, 0},
  };
  for (const Case& c : cases) {
    for (int layer = 0; layer < 4; ++layer) {
      std::array<int32_t, 4> here{};
      here[layer] = c.code;
      SetHere(here);
      EXPECT_EQ(Climb(), c.climb) << c.code << " in layer " << layer;
      EXPECT_EQ(Solid(), c.solid) << c.code << " in layer " << layer;
    }
  }
}

TEST(Terrain, CellTestsLeaveTheCounterAtFourAndThrownLeavesItAlone) {
  SetHere({42, 40, 45, 0});
  n = 99;
  Solid();
  EXPECT_EQ(n, 4);
  n = 99;
  Hole(0);
  EXPECT_EQ(n, 4);
  n = 99;
  Climb();
  EXPECT_EQ(n, 4);
  n = 99;
  Thrown(70);
  EXPECT_EQ(n, 99);
}

TEST(Terrain, ThrownKinds) {
  const std::vector<std::pair<int32_t, int32_t>> cases = {
      {63, 0}, {64, 1}, {65, 1}, {69, 1}, {70, 1}, {95, 1}, {96, 0}, {0, 0}, {-64, 0}, {160, 0}};
  for (auto [t, want] : cases) EXPECT_EQ(Thrown(t), want) << t;
}

}  // namespace

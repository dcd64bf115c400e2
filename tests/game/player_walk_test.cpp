// The player's controls carried out by the object walk of the following
// frames: the jump's length and reach, a held control starting the next
// jump in the frame the last move ends, walking into a wall and over a hole,
// and climbing out of the top of a room past a grip.
#include <algorithm>
#include <vector>

#include "game/object_walk.h"
#include "game/player.h"
#include "game/shots_save.h"
#include "walk_test_util.h"

namespace {

using namespace walktest;

constexpr int32_t LADDER = 41, VINE = 40;
constexpr int32_t kBumpSound = 6, kFallSound = 4;

class PlayerWalkTest : public WalkTest {
 protected:
  // One frame's moving things and then the player's part, `keys` held.
  static void Frame(const std::vector<int>& keys) {
    for (int k : {kUpKey, kLeftKey, kRightKey, kJumpKey}) testbackend::ReleaseKey(k);
    for (int k : keys) testbackend::PressKey(k);
    ScanObjects();
    PlayerCell();
    if (PlayerMove()) SpawnShot();
  }
  int Played(int32_t n) const {
    int count = 0;
    for (const auto& call : testbackend::AudioCalls()) {
      if (call.op == "CueSound" && call.a == sfx[n]) ++count;
    }
    return count;
  }
};

TEST_F(PlayerWalkTest, JumpLastsThirtySixFramesAndCarriesThirtySixOrThirtySevenPixels) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int32_t moved;
  };
  const std::vector<Case> cases = {
      {"straight up", {kJumpKey}, 0},
      {"up and jump together", {kJumpKey, kUpKey}, 0},
      {"running right", {kJumpKey, kRightKey}, 37},
      {"running left", {kUpKey, kLeftKey}, -37},
      {"both sides held: no walking step", {kUpKey, kLeftKey, kRightKey}, 36},
  };
  for (const Case& c : cases) {
    SetUp();
    pla->x = 80;
    Frame({});
    Frame(c.keys);
    ASSERT_EQ(pla->jump, 5) << c.what;
    int airborne = 0;
    while (pla->jump > 0 && airborne < 100) {
      Frame({});
      ++airborne;
    }
    EXPECT_EQ(airborne, 36) << c.what;
    EXPECT_EQ(pla->x - 80, c.moved) << c.what;
    EXPECT_EQ(pla->layer, 2) << c.what;
  }
}

TEST_F(PlayerWalkTest, AHeldControlJumpsAgainInTheFrameTheLastMoveEnds) {
  constexpr int32_t kJumpSound = 3, kClimbSound = 5;
  struct Case {
    const char* what;
    int32_t layer;
    bool ladder;  // in the bottom half, under the player
    std::vector<int> keys;
    std::vector<int> climbs, jumps;  // frames in which each starts
  };
  const std::vector<Case> cases = {
      // The arc takes 36 frames; the frame that ends it starts the next.
      {"jump held on open ground", 2, false, {kJumpKey}, {}, {1, 37, 73}},
      // The climb ends in the top half, where the ladder stops: in that
      // very frame the held Up leaps instead.
      {"up held on a ladder that ends at the half above", 4, true, {kUpKey}, {1}, {23, 59}},
  };
  for (const Case& c : cases) {
    SetUp();
    pla->layer = c.layer;
    if (c.ladder) Cells(1, 0, {2}, LADDER);
    std::vector<int> climbs, jumps;
    for (int frame = 1; frame <= 80; ++frame) {
      Frame(c.keys);
      for (int32_t effect : Effects()) {
        if (effect == kClimbSound) climbs.push_back(frame);
        if (effect == kJumpSound) jumps.push_back(frame);
      }
    }
    EXPECT_EQ(climbs, c.climbs) << c.what;
    EXPECT_EQ(jumps, c.jumps) << c.what;
    EXPECT_EQ(pla->layer, 2) << c.what;
  }
}

TEST_F(PlayerWalkTest, WalkingIntoAWallBouncesAndOverAHoleDrops) {
  room->obj[RoomCell(0, 1, 5)] = WALL;  // x 40 to 47
  int32_t furthest = 0;
  for (int frame = 0; frame < 60; ++frame) {
    Frame({kRightKey});
    furthest = std::max(furthest, pla->x);
  }
  EXPECT_EQ(furthest, 40);
  EXPECT_GE(Played(kBumpSound), 3);
  EXPECT_EQ(pla->layer, 2);

  SetUp();
  room->obj[RoomCell(0, 2, 4)] = HOLE;  // a lone hole: x 35 to 39 fall
  for (int frame = 0; frame < 17 && pla->layer == 2; ++frame) Frame({kRightKey});
  EXPECT_EQ(pla->layer, 4);
  EXPECT_EQ(pla->x, 35);
  EXPECT_EQ(Played(kFallSound), 1);
  // Walking moves nothing while the drop runs; then it walks on below.
  for (int frame = 0; frame < 21; ++frame) Frame({kRightKey});
  EXPECT_EQ(pla->y, 0);
  EXPECT_EQ(pla->x, 35);
  Frame({kRightKey});
  EXPECT_EQ(pla->x, 36);
}

TEST_F(PlayerWalkTest, ClimbOutOfTheTopPastAGripReachesTheRoomAbove) {
  for (int32_t code : {LADDER, VINE}) {
    SetUp();
    room->obj[RoomCell(0, 0, 2)] = code;
    room->obj[RoomCell(0, 1, 2)] = GRIP;
    Frame({kUpKey});
    ASSERT_EQ(pla->layer, 0) << code;
    ASSERT_EQ(pla->y, 64) << code;
    for (int frame = 0; frame < 22; ++frame) Frame({kUpKey});
    EXPECT_EQ(pla->y, 0) << code;
    EXPECT_EQ(pla->layer, 4) << code;
    EXPECT_EQ(pla->roomy, -1) << code;
    EXPECT_EQ(playstate.hanging, 0) << code;
  }
}

}  // namespace

// The player's part of a frame: the cell under it, the control gate, and
// the controls that crouch, turn, walk, jump, climb and fire.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "framework/controls.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/player.h"
#include "game/shots_save.h"
#include "level/rooms.h"
#include "platform/audio.h"
#include "platform/list.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

// Default bindings of player 1.
constexpr int kUp = 38, kLeft = 37, kRight = 39, kDown = 40, kFire = 90, kJump = 88;
constexpr int32_t VINE = 40, LADDER = 41, HOLE = 45, GRIP = 47, CRUMBLE = 52;
constexpr int32_t kJumpSound = 3, kClimbSound = 5, kShotSound = 1;

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    testutil::OpenTestScreen();
    SetDefaultControls();
    CreateSoundTables();
    Options[11] = Options[12] = 100;
    LChan = 20;
    const std::string wav = ::testing::TempDir() + "player_effect-" + std::to_string(::getpid()) + ".wav";
    testutil::WriteWav(wav, 2205);
    for (int32_t effect : {kShotSound, kJumpSound, kClimbSound}) {
      sfx[effect] = LoadSound(wav);
      ASSERT_NE(sfx[effect], 0);
    }
    std::remove(wav.c_str());
    testbackend::ClearAudioCalls();

    playstate = PlayState{};
    endoflevel = 0;
    ThisRoom = std::make_shared<layout>();
    ClearList(objects);
    pla = std::make_shared<ect>();
    pla->x = 20;
    pla->layer = 2;
    pla->health = 100;
    pla->d = 1;
    for (int32_t slot = 0; slot < 24; ++slot) pla->ammo[slot] = 1;
    ListAddLast(objects, pla);
    Scan();
  }

  // Effect `n` cued so far.
  static int Played(int32_t n) {
    int count = 0;
    for (const auto& call : testbackend::AudioCalls()) {
      if (call.op == "CueSound" && call.a == sfx[n]) ++count;
    }
    return count;
  }

  static void Hold(const std::vector<int>& keys) {
    for (int k : {kUp, kLeft, kRight, kDown, kFire, kJump}) testbackend::ReleaseKey(k);
    for (int k : keys) testbackend::PressKey(k);
  }

  // The heads-up display, whose ammunition scan a real frame runs after
  // the player's part.
  static void Scan() { Hud1280(); }

  // The player's part of one frame with `keys` held; true when a shot left.
  static bool Frame(const std::vector<int>& keys) {
    Hold(keys);
    PlayerCell();
    const bool fired = PlayerMove();
    if (fired) SpawnShot();
    Scan();
    return fired;
  }

  static void Put(int32_t half, int32_t layer, int32_t column, int32_t code) {
    ThisRoom->obj[RoomCell(half, layer, column)] = code;
  }
};

// ---- the cell probe ----------------------------------------------------------------

TEST_F(PlayerTest, ProbeGivesHoleRunsTheirEdgeForms) {
  struct Case {
    std::vector<int32_t> holes;  // columns of layer 1 of the top half
    int32_t column;
    int32_t want;
  };
  const std::vector<Case> cases = {
      {{5, 6, 7, 8}, 5, 44}, {{5, 6, 7, 8}, 6, 45}, {{5, 6, 7, 8}, 7, 45}, {{5, 6, 7, 8}, 8, 46},
      {{10}, 10, 44},        {{0}, 0, 46},          {{0, 1}, 0, 45},       {{22}, 22, 44},
      {{21, 22}, 22, 45},    {{5, 6, 7, 8}, 4, 0},
  };
  for (const Case& c : cases) {
    ThisRoom = std::make_shared<layout>();
    for (int32_t col : c.holes) Put(0, 1, col, HOLE);
    pla->x = c.column * 8 + 3;
    PlayerCell();
    EXPECT_EQ(Here[1], c.want) << "column " << c.column << " of a run from " << c.holes.front();
    EXPECT_EQ(Here[0] + Here[2] + Here[3], 0);
  }
}

TEST_F(PlayerTest, ProbeCountsOnlyHolesOfTheSameLayerAndHalfAsNeighbours) {
  Put(0, 1, 6, HOLE);
  Put(0, 2, 5, HOLE);     // another layer
  Put(0, 1, 7, CRUMBLE);  // not yet crumbled
  Put(1, 1, 5, HOLE);     // the other half
  pla->x = 6 * 8;
  PlayerCell();
  EXPECT_EQ(Here, (std::array<int32_t, 4>{0, 44, 0, 0}));
  ThisRoom->obj[RoomCell(0, 1, 7)] = HOLE;  // the floor gave way
  PlayerCell();
  EXPECT_EQ(Here[1], 44);
  ThisRoom->obj[RoomCell(0, 1, 5)] = HOLE;
  PlayerCell();
  EXPECT_EQ(Here[1], 45);
  EXPECT_EQ(n, 4);
}

TEST_F(PlayerTest, ProbeReadsTheHalfOfTheLayerAndNothingOutsideTheRoom) {
  for (int32_t col = 0; col < 23; ++col) {
    Put(0, 0, col, VINE);
    Put(1, 3, col, LADDER);
  }
  struct Case {
    int32_t x, layer;
    std::array<int32_t, 4> want;
    int32_t climb;
  };
  const std::vector<Case> cases = {
      {20, 2, {VINE, 0, 0, 0}, 1},  {20, 0, {VINE, 0, 0, 0}, 1}, {20, 4, {0, 0, 0, LADDER}, 1},
      {-1, 2, {VINE, 0, 0, 0}, 1},  {-7, 4, {0, 0, 0, LADDER}, 1}, {-8, 2, {0, 0, 0, 0}, 0},
      {183, 2, {VINE, 0, 0, 0}, 1}, {184, 2, {0, 0, 0, 0}, 0},     {190, 4, {0, 0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    pla->x = c.x;
    pla->layer = c.layer;
    Here = {9, 9, 9, 9};
    PlayerCell();
    EXPECT_EQ(Here, c.want) << "x " << c.x << " layer " << c.layer;
    EXPECT_EQ(climbhere, c.climb) << "x " << c.x << " layer " << c.layer;
  }
}

TEST_F(PlayerTest, TileTestsTakeTheHoleAtThePlayersOffset) {
  for (int32_t col = 5; col <= 8; ++col) Put(0, 2, col, HOLE);
  struct Case {
    int32_t x, hole;
  };
  // Three-pixel ledges where the run meets ground.
  const std::vector<Case> cases = {{39, 0}, {42, 0}, {43, 1}, {48, 1}, {55, 1}, {68, 1}, {69, 0}, {72, 0}};
  for (const Case& c : cases) {
    pla->x = c.x;
    PlayerCell();
    EXPECT_EQ(holehere, c.hole) << "x " << c.x;
    EXPECT_EQ(climbhere, 0);
  }
  // A vine over a hole: both, so neither a jump nor a climb starts.
  Put(0, 0, 6, VINE);
  pla->x = 50;
  Frame({kUp});
  EXPECT_EQ(holehere, 1);
  EXPECT_EQ(climbhere, 1);
  EXPECT_EQ(pla->jump, 0);
  EXPECT_EQ(pla->y, 0);
  EXPECT_EQ(pla->layer, 2);
  EXPECT_EQ(Played(kJumpSound) + Played(kClimbSound), 0);
}

// ---- the control gate and the stance ---------------------------------------------

TEST_F(PlayerTest, ClosedGateLeavesThePlayerAsItWas) {
  struct Case {
    int32_t titleedit, endoflevel;
  };
  for (const Case& c : {Case{1, 0}, Case{0, 1}, Case{0, 2}}) {
    SetUp();
    pla->gx = 1;
    pla->anim = 1;
    pla->stp = 7;
    pla->fire = 9;
    playstate.titleedit = c.titleedit;
    endoflevel = c.endoflevel;
    const ect before = *pla;
    for (int frame = 0; frame < 3; ++frame) {
      EXPECT_FALSE(Frame({kLeft, kFire, kUp, kDown}));
    }
    EXPECT_EQ(pla->gx, before.gx);
    EXPECT_EQ(pla->anim, before.anim);
    EXPECT_EQ(pla->stp, before.stp);
    EXPECT_EQ(pla->d, before.d);
    EXPECT_EQ(pla->jump, 0);
    EXPECT_EQ(pla->fire, 9);  // no countdown either
    EXPECT_EQ(pla->ammo, before.ammo);
    EXPECT_EQ(CountList(objects), 1);
    // Clearing the one flag opens the gate in the next frame.
    playstate.titleedit = 0;
    endoflevel = 0;
    Frame({kLeft});
    EXPECT_EQ(pla->gx, -1);
    EXPECT_EQ(pla->d, -1);
    EXPECT_EQ(pla->fire, 0);
  }
}

TEST_F(PlayerTest, OpenGateStartsEachFrameWithoutAStepInTheStanceOfTheArc) {
  struct Case {
    int32_t jump, anim;
  };
  for (const Case& c : {Case{0, 0}, Case{10, 3}, Case{95, 3}, Case{180, 3}}) {
    pla->gx = -1;
    pla->anim = 5;
    pla->jump = c.jump;
    Frame({});
    EXPECT_EQ(pla->gx, 0) << c.jump;
    EXPECT_EQ(pla->anim, c.anim) << c.jump;
  }
}

TEST_F(PlayerTest, DownCrouchesOnlyAtRestOutsideAnyArc) {
  struct Case {
    int32_t y, jump;
    std::vector<int> keys;
    int32_t anim;
  };
  const std::vector<Case> cases = {
      {0, 0, {kDown}, 5},          {0, 0, {}, 0},      {-61, 0, {kDown}, 0}, {61, 0, {kDown}, 0},
      {0, 10, {kDown}, 3},         {0, 95, {kDown}, 3}, {0, 0, {kDown, kLeft}, 5},
      {0, 0, {kDown, kUp}, 5},     {0, 0, {kDown, kJump}, 5},
  };
  for (const Case& c : cases) {
    pla->y = c.y;
    pla->jump = c.jump;
    const int32_t x = pla->x;
    Frame(c.keys);
    EXPECT_EQ(pla->anim, c.anim) << "y " << c.y << " jump " << c.jump;
    EXPECT_EQ(pla->gx, 0);
    EXPECT_EQ(pla->x, x);
    EXPECT_EQ(pla->jump, c.jump);  // Down with Up or jump starts no jump
  }
  // Released: standing again in the next frame, facing as before.
  pla->y = pla->jump = 0;
  Frame({kDown});
  Frame({});
  EXPECT_EQ(pla->anim, 0);
}

TEST_F(PlayerTest, CrouchedPlayerTurnsInPlace) {
  struct Case {
    int32_t from;
    std::vector<int> keys;
    int32_t d;
  };
  const std::vector<Case> cases = {
      {1, {kDown, kLeft}, -1},         {-1, {kDown, kRight}, 1}, {1, {kDown, kLeft, kRight}, 1},
      {-1, {kDown, kLeft, kRight}, -1}, {-1, {kDown}, -1},       {1, {kDown}, 1},
  };
  for (const Case& c : cases) {
    pla->d = c.from;
    pla->stp = 6;
    for (int frame = 0; frame < 5; ++frame) Frame(c.keys);
    EXPECT_EQ(pla->d, c.d) << "from " << c.from;
    EXPECT_EQ(pla->gx, 0);
    EXPECT_EQ(pla->anim, 5);
    EXPECT_EQ(pla->stp, 6);
    EXPECT_EQ(pla->jumpx, 0);
    EXPECT_EQ(pla->jump, 0);
  }
  // Not crouched: no turn here, the walk faces the player instead; in the
  // air nothing turns it.
  pla->d = 1;
  pla->jump = 40;
  Frame({kLeft});
  EXPECT_EQ(pla->d, 1);
}

// ---- walking -------------------------------------------------------------------------

TEST_F(PlayerTest, WalkingSetsTheStepFacingAndWalkCounter) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int32_t jump, y, hanging;
    int32_t gx, d, stp, anim;
  };
  const std::vector<Case> cases = {
      {"left on the ground", {kLeft}, 0, 0, 0, -1, -1, 4, 1},
      {"right on the ground", {kRight}, 0, 0, 0, 1, 1, 4, 1},
      {"both held", {kLeft, kRight}, 0, 0, 0, 0, 1, 3, 0},
      {"crouched", {kDown, kLeft}, 0, 0, 0, 0, -1, 3, 5},
      {"in a jump", {kLeft}, 40, 0, 0, 0, 1, 3, 3},
      {"hanging from a grip", {kLeft}, 95, 0, 1, -1, -1, 4, 1},
      {"dropping through a hole", {kRight}, 0, -40, 0, 1, 1, 4, 1},
      {"climbing", {kLeft}, 0, 40, 0, -1, -1, 4, 1},
  };
  for (const Case& c : cases) {
    pla->d = 1;
    pla->stp = 3;
    pla->jump = c.jump;
    pla->y = c.y;
    playstate.hanging = c.hanging;
    Frame(c.keys);
    EXPECT_EQ(pla->gx, c.gx) << c.what;
    EXPECT_EQ(pla->d, c.d) << c.what;
    EXPECT_EQ(pla->stp, c.stp) << c.what;
    EXPECT_EQ(pla->anim, c.anim) << c.what;
  }
}

// ---- the jump start ------------------------------------------------------------------

TEST_F(PlayerTest, JumpStartsFromTheGroundWithTheHeldSide) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int32_t jumpx, d, gx;
  };
  const std::vector<Case> cases = {
      {"up alone", {kUp}, 0, -1, 0},
      {"jump alone", {kJump}, 0, -1, 0},
      {"up and jump", {kUp, kJump}, 0, -1, 0},
      {"running left", {kJump, kLeft}, -1, -1, -1},
      {"running right", {kUp, kRight}, 1, 1, 1},
      {"both sides", {kUp, kLeft, kRight}, 1, 1, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    pla->d = -1;
    pla->jumpx = 7;
    Frame(c.keys);
    EXPECT_EQ(pla->jump, 5) << c.what;
    EXPECT_EQ(pla->jumpx, c.jumpx) << c.what;
    EXPECT_EQ(pla->d, c.d) << c.what;
    EXPECT_EQ(pla->gx, c.gx) << c.what;
    EXPECT_EQ(pla->y, 0) << c.what;
    EXPECT_EQ(pla->layer, 2) << c.what;
    EXPECT_EQ(Played(kJumpSound), 1) << c.what;
  }
}

TEST_F(PlayerTest, NoJumpWhereTheGroundOrTheStanceForbidsIt) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int32_t jump, y, code;
  };
  const std::vector<Case> cases = {
      {"nothing held", {}, 0, 0, 0},        {"crouched", {kDown, kUp}, 0, 0, 0},
      {"in the arc", {kUp}, 60, 0, 0},      {"hanging", {kJump}, 95, 0, GRIP},
      {"dropping", {kUp}, 0, -31, 0},       {"climbing", {kJump}, 0, 31, 0},
      {"over a hole", {kUp}, 0, 0, HOLE},   {"on a ladder (climbs instead)", {kUp}, 0, 0, LADDER},
  };
  for (const Case& c : cases) {
    SetUp();
    Put(0, 1, 2, c.code);
    pla->jump = c.jump;
    pla->y = c.y;
    pla->jumpx = 7;
    Frame(c.keys);
    EXPECT_EQ(pla->jump, c.jump) << c.what;
    EXPECT_EQ(pla->jumpx, 7) << c.what;
    EXPECT_EQ(Played(kJumpSound), 0) << c.what;
  }
}

// ---- climbing ------------------------------------------------------------------------

TEST_F(PlayerTest, ClimbStartsOnAVineOrLadderOneHalfUp) {
  struct Case {
    const char* what;
    int32_t code, layer;
    std::vector<int> keys;
    int32_t wantLayer;
  };
  const std::vector<Case> cases = {
      {"ladder, bottom half, up", LADDER, 4, {kUp}, 2},
      {"vine, bottom half, jump", VINE, 4, {kJump}, 2},
      {"ladder, top half, up", LADDER, 2, {kUp}, 0},
      {"vine, top half, walking", VINE, 2, {kUp, kLeft}, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    Put(c.layer > 2 ? 1 : 0, 2, 2, c.code);
    pla->layer = c.layer;
    pla->roomy = 3;
    Frame(c.keys);
    EXPECT_EQ(pla->layer, c.wantLayer) << c.what;
    EXPECT_EQ(pla->y, 64) << c.what;
    EXPECT_EQ(pla->jump, 0) << c.what;
    EXPECT_EQ(pla->roomy, 3) << c.what;
    EXPECT_EQ(Played(kClimbSound), 1) << c.what;
    EXPECT_EQ(Played(kJumpSound), 0) << c.what;
    // While the climb runs no new one starts.
    for (int32_t y : {61, 31, 1}) {
      pla->y = y;
      Frame(c.keys);
    }
    EXPECT_EQ(pla->layer, c.wantLayer) << c.what;
    EXPECT_EQ(Played(kClimbSound), 1) << c.what;
  }
}

TEST_F(PlayerTest, NoClimbCrouchedInTheAirOrOverAHole) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int32_t jump, hole;
  };
  const std::vector<Case> cases = {
      {"down and up", {kDown, kUp}, 0, 0},
      {"in a jump", {kUp}, 50, 0},
      {"hanging", {kJump}, 95, 0},
      {"ladder over a hole", {kUp}, 0, 1},
      {"no control", {kLeft}, 0, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    Put(1, 0, 2, LADDER);
    if (c.hole) Put(1, 3, 2, HOLE);
    pla->layer = 4;
    pla->jump = c.jump;
    Frame(c.keys);
    EXPECT_EQ(pla->layer, 4) << c.what;
    EXPECT_EQ(pla->y, 0) << c.what;
    EXPECT_EQ(Played(kClimbSound), 0) << c.what;
  }
}

// ---- fire control --------------------------------------------------------------------

TEST_F(PlayerTest, HeldFireShootsEveryTwentyOrSixFrames) {
  struct Case {
    int32_t kind;
    std::vector<int> shots;
  };
  const std::vector<Case> cases = {
      {1, {0, 20, 40, 60}},
      {2, {0, 6, 12, 18, 24, 30, 36, 42, 48, 54, 60}},
  };
  for (const Case& c : cases) {
    SetUp();
    for (int32_t slot = 0; slot < 24; ++slot) pla->ammo[slot] = c.kind;
    Scan();
    std::vector<int> shots;
    for (int frame = 0; frame <= 60; ++frame) {
      if (Frame({kFire})) shots.push_back(frame);
    }
    EXPECT_EQ(shots, c.shots) << "kind " << c.kind;
    EXPECT_EQ(Played(kShotSound), static_cast<int>(c.shots.size()));
  }
}

TEST_F(PlayerTest, TappingFiresOnEveryPressAndReleaseClearsTheCooldown) {
  std::vector<int> shots;
  for (int frame = 0; frame < 10; ++frame) {
    if (Frame(frame % 2 == 0 ? std::vector<int>{kFire} : std::vector<int>{})) shots.push_back(frame);
  }
  EXPECT_EQ(shots, (std::vector<int>{0, 2, 4, 6, 8}));
  pla->fire = 15;
  Frame({});
  EXPECT_EQ(pla->fire, 0);
  EXPECT_TRUE(Frame({kFire}));
  EXPECT_EQ(pla->fire, 20);
}

TEST_F(PlayerTest, FireGapFollowsTheKindOfTheLastShot) {
  // Two kind-2 loads on top of kind 1.
  pla->ammo[24] = pla->ammo[25] = 2;
  Scan();
  std::vector<int> shots;
  for (int frame = 0; frame <= 40; ++frame) {
    if (Frame({kFire})) shots.push_back(frame);
  }
  EXPECT_EQ(shots, (std::vector<int>{0, 6, 12, 32}));
}

TEST_F(PlayerTest, NoAmmunitionNoShotUntilAPickupIsScanned) {
  pla->ammo.fill(0);
  Scan();
  pla->fire = 4;
  for (int frame = 0; frame < 8; ++frame) EXPECT_FALSE(Frame({kFire}));
  EXPECT_EQ(pla->fire, 0);
  EXPECT_EQ(Played(kShotSound), 0);
  // A pickup in this frame fills slots after the previous scan: first fired
  // in the next frame, from the highest slot it filled.
  for (int32_t slot = 0; slot < 12; ++slot) pla->ammo[slot] = 2;
  EXPECT_FALSE(PlayerMove());
  Scan();
  EXPECT_TRUE(Frame({kFire}));
  EXPECT_EQ(pla->ammo[11], 0);
  EXPECT_EQ(pla->ammo[10], 2);
  EXPECT_EQ(pla->fire, 6);
}

TEST_F(PlayerTest, FiresAtTheSameRateInEveryStance) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int32_t jump, y;
  };
  const std::vector<Case> cases = {
      {"crouched", {kFire, kDown}, 0, 0},
      {"walking", {kFire, kLeft}, 0, 0},
      {"dropping", {kFire}, 0, -61},
      {"in a jump", {kFire}, 90, 0},
      {"climbing", {kFire}, 0, 61},
  };
  for (const Case& c : cases) {
    SetUp();
    std::vector<int> shots;
    for (int frame = 0; frame <= 40; ++frame) {
      pla->jump = c.jump;
      pla->y = c.y;
      if (Frame(c.keys)) shots.push_back(frame);
    }
    EXPECT_EQ(shots, (std::vector<int>{0, 20, 40})) << c.what;
  }
}

// ---- one reading of each control per frame ------------------------------------------

TEST_F(PlayerTest, HeldControlsAgreeWithinAFrameAndRenewAtItsEnd) {
  HoldControls(true);
  testbackend::PressKey(kLeft);
  EXPECT_EQ(PlayKey(3, 1), 1);  // read early in the frame, say by the object walk
  // The key comes up while the frame is still running.
  testbackend::ReleaseKey(kLeft);
  PlayerCell();
  PlayerMove();
  EXPECT_EQ(PlayKey(3, 1), 1);
  EXPECT_EQ(pla->gx, -1);
  EXPECT_EQ(pla->d, -1);
  NextControlFrame();
  EXPECT_EQ(PlayKey(3, 1), 0);
  HoldControls(false);
  testbackend::PressKey(kLeft);
  EXPECT_EQ(PlayKey(3, 1), 1);
  testbackend::ReleaseKey(kLeft);
  EXPECT_EQ(PlayKey(3, 1), 0);
}

}  // namespace

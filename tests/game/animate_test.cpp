// Animation of the moving things: creature walk frames and pace, the sweeping
// spikes, shot frames, the player's frame table, the climb and drop slide,
// stepping and the jump arc, and where things are drawn.
#include <climits>
#include <string>
#include <vector>

#include "game/animate.h"
#include "game/object_walk.h"
#include "platform/runtime.h"
#include "walk_test_util.h"

namespace {

using namespace walktest;
using testgraphics::Op;

class AnimateTest : public WalkTest {
 protected:
  // One animation step of `thing`, as its turn runs it after the terrain.
  int32_t Animate(const std::shared_ptr<ect>& thing) {
    obj = thing;
    AnimateObjects();
    return playstate.drawframe;
  }
};

TEST_F(AnimateTest, CreaturesWalkInTwoPicturesByTimeAlone) {
  // Frame t for 3 turns, then t + 1 and t in turns of 4.
  const std::vector<int32_t> phase = {0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 0};
  for (int32_t kind : {BAT, DOG, BARREL, SPIKEY, BEAR, SNAKE, SPIKE, FLAME}) {
    auto c = std::make_shared<ect>();
    c->t = kind;
    c->layer = 2;
    c->x = 100;
    c->d = kind == DOG ? -1 : 1;
    for (size_t turn = 0; turn < phase.size(); ++turn)
      EXPECT_EQ(Animate(c), kind + phase[turn]) << kind << " turn " << turn + 1;
    EXPECT_EQ(c->stp, 16);
  }
}

TEST_F(AnimateTest, PaceOfEachKind) {
  struct Case {
    int32_t kind;
    std::vector<int32_t> xs;  // after turns 1..4
  };
  const std::vector<Case> cases = {
      {BAT, {101, 102, 103, 104}},   {DOG, {101, 102, 103, 104}},   {BARREL, {101, 102, 103, 104}},
      {SNAKE, {101, 102, 103, 104}}, {BEAR, {101, 101, 102, 102}},  {SPIKEY, {100, 100, 100, 100}},
      {SPIKE, {100, 100, 100, 100}}, {FLAME, {100, 100, 100, 100}}, {SPIKE2, {100, 100, 100, 100}},
      {SPIKE3, {100, 100, 100, 100}},
  };
  for (const Case& c : cases) {
    ClearList(objects);
    ListAddLast(objects, pla);
    auto thing = Creature(c.kind, 100);
    std::vector<int32_t> xs, ticks;
    for (int turn = 0; turn < 4; ++turn) {
      ScanObjects();
      xs.push_back(thing->x);
      ticks.push_back(thing->tick);
    }
    EXPECT_EQ(xs, c.xs) << c.kind;
    if (c.kind == BEAR) {
      EXPECT_EQ(ticks, (std::vector<int32_t>{2, 1, 2, 1}));
    }
  }
}

TEST_F(AnimateTest, DeadCreaturesShowTheirDeadPictureAndStandStill) {
  for (int32_t kind : {BAT, DOG, BEAR}) {
    auto c = Creature(kind, 100);
    c->dead = 1;
    c->stp = 9;
    for (int turn = 0; turn < 3; ++turn) {
      obj = c;
      EXPECT_EQ(Animate(c), kind + 32);
      EXPECT_EQ(c->stp, 0);
      EXPECT_EQ(c->x, 100);
    }
    if (kind == BEAR) {
      EXPECT_EQ(c->tick, 2);  // the countdown goes on
    }
  }
}

TEST_F(AnimateTest, AStepCounterAtTheTopOfItsRangeWrapsInsteadOfStopping) {
  auto c = Creature(BAT, 100);
  c->stp = INT32_MAX;
  Animate(c);
  EXPECT_EQ(c->stp, INT32_MIN);
}

TEST_F(AnimateTest, SweepingSpikesLightUpWhileTheSweepPassesThem) {
  struct Case {
    int32_t kind, x;
    std::vector<std::pair<int, int>> lit;  // turns, both ends included
  };
  const std::vector<Case> cases = {
      {SPIKE2, 80, {{36, 44}, {137, 145}}},
      {SPIKE3, 80, {{57, 65}, {158, 166}}},
      {SPIKE2, 0, {{1, 4}, {102, 105}}},
      {SPIKE3, 0, {{1, 1}, {97, 102}}},
      {SPIKE2, 8, {{1, 8}, {102, 109}}},
  };
  for (const Case& c : cases) {
    auto spike = Creature(c.kind, c.x);
    for (int turn = 1; turn <= 170; ++turn) {
      bool lit = false;
      for (auto [from, to] : c.lit) lit = lit || (turn >= from && turn <= to);
      EXPECT_EQ(Animate(spike), c.kind + (lit ? 1 : 0)) << c.kind << " at " << c.x << " turn " << turn;
      EXPECT_GE(spike->stp, 0);
      EXPECT_LE(spike->stp, 200);
    }
  }
}

TEST_F(AnimateTest, SweepWrapsAndTheLeftwardSweepHandsItsLineToTheDebugHook) {
  std::vector<std::string> lines;
  SetDebugLogHook([&](const std::string& l) { lines.push_back(l); });
  auto s2 = Creature(SPIKE2, 80);
  s2->stp = 198;
  Animate(s2);
  EXPECT_EQ(s2->stp, 200);
  Animate(s2);
  EXPECT_EQ(s2->stp, 0);
  auto s3 = Creature(SPIKE3, 80);
  Animate(s3);
  EXPECT_EQ(s3->stp, 200);
  s3->stp = 2;
  Animate(s3);
  EXPECT_EQ(s3->stp, 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"-2:80:82", "0:80:80"}));
  SetDebugLogHook(nullptr);
}

TEST_F(AnimateTest, ShotsShowTheirOwnKind) {
  for (int32_t kind : {64, 65, 66, 67, 68, 69, 70}) {
    auto s = Shot(kind, 100, 1);
    for (int turn = 0; turn < 9; ++turn) EXPECT_EQ(Animate(s), kind);
  }
}

TEST_F(AnimateTest, ThePlayersFrameTable) {
  struct Case {
    int32_t anim, stp, hanging, y, health, endoflevel;
    int32_t wantStp, frame;
  };
  const std::vector<Case> cases = {
      {0, 9, 0, 0, 100, 0, 0, 0},     {1, 1, 0, 0, 100, 0, 4, 1},     {1, 7, 0, 0, 100, 0, 7, 1},
      {1, 8, 0, 0, 100, 0, 8, 2},     {1, 15, 0, 0, 100, 0, 15, 3},   {1, 16, 0, 0, 100, 0, 4, 1},
      {3, 13, 0, 0, 100, 0, 13, 3},   {5, 6, 0, 0, 100, 0, 6, 10},    {5, 6, 0, -40, 100, 0, 6, 14},
      {3, 13, 1, 0, 100, 0, 0, 15},   {3, 7, 1, 0, 100, 0, 7, 16},    {1, 12, 1, 0, 100, 0, 0, 15},
      {1, 10, 1, 0, 100, 0, 10, 17},  {3, 7, 1, 0, 0, 0, 7, 18},      {0, 0, 0, -10, -5, 0, 0, 18},
      {0, 0, 0, 0, 0, 1, 0, 14},      {3, 7, 1, 0, 100, 1, 7, 14},    {0, 0, 0, -64, 100, 0, 0, 14},
  };
  for (const Case& c : cases) {
    pla->anim = c.anim;
    pla->stp = c.stp;
    pla->y = c.y;
    pla->health = c.health;
    pla->jump = 0;
    playstate.hanging = c.hanging;
    endoflevel = c.endoflevel;
    EXPECT_EQ(Animate(pla), c.frame) << c.anim << "/" << c.stp << "/" << c.hanging << "/" << c.y;
    EXPECT_EQ(playstate.plaframe, c.frame);
    EXPECT_EQ(pla->stp, c.wantStp);
  }
}

TEST_F(AnimateTest, EveryClimbingTurnDrawsExactlyOneRandomNumberWhateverIsShown) {
  // Other screens reseed the shared generator and rely on where it stands,
  // so a climbing turn must take one number from it: no more, no fewer,
  // also when the picture shown is another one; a drop takes none.
  struct Case {
    const char* what;
    int32_t y, layer, health, endoflevel;
    int32_t shown;  // 0: the climbing picture drawn from the generator
  };
  const std::vector<Case> cases = {
      {"climbing", 64, 2, 100, 0, 0},
      {"dead while climbing", 64, 2, 0, 0, 18},
      {"climbing on the level-complete screen", 64, 2, 100, 1, 14},
      {"dropping", -64, 4, 100, 0, 14},
  };
  for (const Case& c : cases) {
    SetUp();
    pla->y = c.y;  // the climb or drop has just begun
    pla->layer = c.layer;
    pla->health = c.health;
    endoflevel = c.endoflevel;
    for (int turn = 1; turn <= 22; ++turn) {
      const int32_t before = RndSeed();
      const int32_t drawn = Rand(15, 17);
      const int32_t afterOne = RndSeed();
      SeedRnd(before);
      ScanObjects();
      EXPECT_EQ(RndSeed(), c.y > 0 ? afterOne : before) << c.what << ", turn " << turn;
      EXPECT_EQ(playstate.plaframe, c.shown == 0 ? drawn : c.shown) << c.what << ", turn " << turn;
    }
    EXPECT_EQ(pla->y, 0) << c.what;
    // At rest nothing is drawn from it.
    const int32_t before = RndSeed();
    ScanObjects();
    EXPECT_EQ(RndSeed(), before) << c.what;
  }
}

TEST_F(AnimateTest, WalkingCyclesOnFootAndAlongAGrip) {
  std::vector<int32_t> onFoot, alongGrip;
  pla->anim = 1;
  pla->stp = 0;
  for (int turn = 0; turn < 13; ++turn) {
    pla->stp += 1;  // the walk control's step
    onFoot.push_back(Animate(pla));
  }
  EXPECT_EQ(onFoot, (std::vector<int32_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 1}));
  pla->stp = 0;
  for (int turn = 0; turn < 10; ++turn) {
    playstate.hanging = 1;
    pla->jump = 90;
    pla->stp += 1;
    alongGrip.push_back(Animate(pla));
  }
  EXPECT_EQ(alongGrip, (std::vector<int32_t>{16, 16, 16, 16, 17, 17, 17, 17, 15, 16}));
}

TEST_F(AnimateTest, SlideAfterAClimbOrADropHoldsTheSidewaysStep) {
  struct Case {
    int32_t kind, y, layer;
    int32_t wantY, wantLayer, wantRoomy, wantNewroom, wantX;
  };
  const std::vector<Case> cases = {
      {0, -64, 4, -61, 4, 5, 0, 50}, {0, -1, 4, 0, 4, 5, 0, 50},  {0, 64, 2, 61, 2, 5, 0, 50},
      {0, 1, 2, 0, 2, 5, 0, 50},     {0, 1, 0, 0, 4, 4, 1, 50},   {0, 4, 0, 1, 0, 5, 0, 50},
      {0, 0, 2, 0, 2, 5, 0, 51},     {BAT, -64, 4, -64, 4, 5, 0, 51}, {70, 5, 2, 5, 2, 5, 0, 51},
  };
  for (const Case& c : cases) {
    playstate.newroom = 0;
    auto thing = std::make_shared<ect>();
    thing->t = c.kind;
    thing->x = 50;
    thing->gx = 1;
    thing->y = c.y;
    thing->layer = c.layer;
    thing->roomy = 5;
    if (c.kind == 0) pla = thing;
    Animate(thing);
    EXPECT_EQ(thing->y, c.wantY) << c.kind << " y " << c.y;
    EXPECT_EQ(thing->layer, c.wantLayer) << c.kind << " y " << c.y;
    EXPECT_EQ(thing->roomy, c.wantRoomy);
    EXPECT_EQ(playstate.newroom, c.wantNewroom);
    EXPECT_EQ(thing->x, c.wantX) << c.kind << " y " << c.y;
  }
}

TEST_F(AnimateTest, AJumpRunsThirtySixTurnsAndShowsTheAirFrame) {
  pla->jump = 5;
  pla->jumpx = 1;
  pla->x = 20;
  pla->anim = 3;
  pla->stp = 7;  // jumped while walking: kept for the touch tests
  int turns = 0;
  while (pla->jump != 0) {
    EXPECT_EQ(Animate(pla), 14);
    EXPECT_EQ(playstate.plaframe, 1);
    ++turns;
  }
  EXPECT_EQ(turns, 36);
  EXPECT_EQ(pla->x, 56);
  EXPECT_EQ(Animate(pla), 1);
  // Hanging keeps the hanging picture while the arc still runs.
  pla->jump = 90;
  playstate.hanging = 1;
  EXPECT_EQ(Animate(pla), 16);
  EXPECT_EQ(pla->jump, 95);
}

TEST_F(AnimateTest, StepCountdownByTickreset) {
  struct Case {
    int32_t tick, tickreset, dead;
    std::vector<int32_t> xs, ticks;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, {1, 2, 3, 4}, {0, 0, 0, 0}},
      {0, 1, 0, {1, 2, 3, 4}, {1, 1, 1, 1}},
      {0, 2, 0, {1, 1, 2, 2}, {2, 1, 2, 1}},
      {1, 2, 0, {1, 1, 2, 2}, {2, 1, 2, 1}},
      {3, 3, 0, {0, 0, 1, 1}, {2, 1, 3, 2}},
      {0, 2, 1, {0, 0, 0, 0}, {2, 1, 2, 1}},
  };
  for (const Case& c : cases) {
    auto thing = std::make_shared<ect>();
    thing->t = 64;
    thing->gx = 1;
    thing->tick = c.tick;
    thing->tickreset = c.tickreset;
    thing->dead = c.dead;
    std::vector<int32_t> xs, ticks;
    for (int turn = 0; turn < 4; ++turn) {
      Animate(thing);
      xs.push_back(thing->x);
      ticks.push_back(thing->tick);
    }
    EXPECT_EQ(xs, c.xs) << c.tick << "/" << c.tickreset;
    EXPECT_EQ(ticks, c.ticks) << c.tick << "/" << c.tickreset;
  }
}

TEST_F(AnimateTest, DrawnWhereTheRoomAndZoomPutItMirroredWhenFacingLeft) {
  struct Case {
    float zoom;
    int32_t viewx, viewy, x, layer, y, jumpBefore, d;
    int32_t screenX, screenY, drawnX;
  };
  // drawnX: the x handed to the sprite draw (its handle is half a frame on).
  const std::vector<Case> cases = {
      {7.0f, 0, 1, 20, 2, 0, 0, 1, 112, 302, 112},     {7.0f, 0, 1, 20, 2, 0, 0, -1, 112, 302, 168},
      {7.0f, 0, 1, 20, 2, 0, 85, 1, 112, 190, 112},    {7.0f, 0, 1, 20, 2, 0, 25, 1, 112, 246, 112},
      {7.0f, 0, 1, 20, 2, 0, 145, -1, 112, 246, 168},  {7.0f, 0, 1, 20, 2, 0, 175, 1, 112, 302, 112},
      {7.0f, 160, 1, 20, 4, 0, 0, 1, 272, 750, 272},   {7.0f, 0, 1, 20, 4, -61, 0, 1, 112, 323, 112},
      {4.0f, 80, 1, 0, 2, 0, 0, -1, 64, 173, 96},      {5.5f, 80, 1, 10, 2, 0, 0, -1, 113, 237, 157},
      {7.0f, 0, 1, -1, 2, 0, 0, 1, -35, 302, -35},
  };
  for (const Case& c : cases) {
    playstate.zoom = c.zoom;
    playstate.viewx = c.viewx;
    playstate.viewy = c.viewy;
    auto thing = std::make_shared<ect>();
    thing->t = 64;
    thing->x = c.x;
    thing->layer = c.layer;
    thing->y = c.y;
    thing->jump = c.jumpBefore;
    thing->d = c.d;
    testgraphics::ClearDraws();
    Animate(thing);
    EXPECT_EQ(playstate.objscrx, c.screenX) << c.x << " zoom " << c.zoom;
    EXPECT_EQ(playstate.objscry, c.screenY) << c.jumpBefore << " zoom " << c.zoom;
    const auto draws = testgraphics::DrawsOf(Op::Image);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].image, gfx);
    EXPECT_EQ(draws[0].frame, thing->jump > 0 ? 14 : 64);
    EXPECT_FLOAT_EQ(draws[0].scale_x, c.d == -1 ? -c.zoom : c.zoom);
    EXPECT_FLOAT_EQ(draws[0].scale_y, c.zoom);
    EXPECT_FLOAT_EQ(draws[0].x - 4 * draws[0].scale_x, static_cast<float>(c.drawnX)) << c.x << " " << c.d;
    EXPECT_FLOAT_EQ(draws[0].y - 8 * draws[0].scale_y, static_cast<float>(c.screenY));
  }
  EXPECT_EQ(playstate.plascreenx, 0);  // shots never move the player's place
}

TEST_F(AnimateTest, ThePlayersPlaceIsKeptEvenWhenTheFrameIsSkipped) {
  Options[7] = 1;  // frame skip, and this is a skipped frame
  SkipDraw = 1;
  pla->x = 30;
  Animate(pla);
  EXPECT_TRUE(testgraphics::DrawsOf(Op::Image).empty());
  EXPECT_EQ(playstate.plascreenx, 182);
  EXPECT_EQ(playstate.plascreeny, 302);
}

}  // namespace

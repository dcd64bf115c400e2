// Hits at the end of a thing's turn: the player's shots against creatures,
// turret shots and touches against the player, and the removal of spent
// things.
#include <vector>

#include "framework/draw.h"
#include "game/object_hits.h"
#include "game/object_walk.h"
#include "walk_test_util.h"

namespace {

using namespace walktest;

class ObjectHitsTest : public WalkTest {
 protected:
  // One frame of the walk; the player tests that would reset the player's
  // step are not part of it, so the player stands still.
  void Frame() {
    pla->gx = 0;
    ScanObjects();
  }
  // A creature that stays where it is put.
  std::shared_ptr<ect> Still(int32_t kind, int32_t xpos, int32_t layer = 2) {
    auto c = Creature(kind, xpos, layer);
    c->gx = 0;
    return c;
  }
};

TEST_F(ObjectHitsTest, PlayerShotsAgainstEachKind) {
  struct Case {
    int32_t kind;
    bool hit;
  };
  const std::vector<Case> cases = {{BAT, true},     {DOG, true},   {BARREL, true}, {SPIKEY, false},
                                   {BEAR, true},    {SNAKE, true}, {SPIKE, false}, {FLAME, false},
                                   {SPIKE2, true},  {SPIKE3, true}};
  for (const Case& c : cases) {
    ClearList(objects);
    ListAddLast(objects, pla);
    pla->score = 0;
    auto creature = Still(c.kind, 100);
    auto shot = Shot(64, 98, 1);
    Frame();
    EXPECT_EQ(creature->health, c.hit ? 1 : 0) << c.kind;
    EXPECT_EQ(pla->score, c.hit ? 5 : 0) << c.kind;
    EXPECT_EQ(Things().size(), c.hit ? 2u : 3u) << c.kind;
    EXPECT_EQ(Effects(), c.hit ? std::vector<int32_t>{8} : std::vector<int32_t>{}) << c.kind;
  }
}

TEST_F(ObjectHitsTest, DeadCreaturesAndTheOtherHalfAreNotHit) {
  auto dead = Still(DOG, 100);
  dead->dead = 1;
  // Drawn over the top half's row, but in the bottom half.
  auto below = Still(BAT, 60, 4);
  below->y = -64;
  Shot(64, 98, 1);
  Shot(64, 58, 1);
  Frame();
  EXPECT_EQ(dead->health, 0);
  EXPECT_EQ(below->health, 0);
  EXPECT_EQ(Things().size(), 5u);
  EXPECT_TRUE(Effects().empty());
}

TEST_F(ObjectHitsTest, HitsToKillAndTheScoreTheyBring) {
  struct Case {
    int32_t kind;
    int hitsToKill;  // 0: never dies
    int32_t points;
  };
  const std::vector<Case> cases = {{BAT, 3, 50}, {DOG, 5, 100}, {BEAR, 10, 250}, {BARREL, 0, 0}, {SNAKE, 0, 0}};
  for (const Case& c : cases) {
    ClearList(objects);
    ListAddLast(objects, pla);
    pla->score = 0;
    auto creature = Still(c.kind, 100);
    ThisRoom->obj[creature->oID] = c.kind;
    int hits = 0;
    for (; hits < 12 && creature->dead == 0; ++hits) {
      Shot(64, 98, 1);
      Frame();
    }
    if (c.hitsToKill == 0) {
      EXPECT_EQ(creature->dead, 0) << c.kind;
      EXPECT_EQ(creature->health, 12) << c.kind;
      EXPECT_EQ(pla->score, 60) << c.kind;
    } else {
      EXPECT_EQ(hits, c.hitsToKill) << c.kind;
      EXPECT_EQ(pla->score, 5 * c.hitsToKill + c.points) << c.kind;
      EXPECT_EQ(ThisRoom->obj[creature->oID], 0);
      // The body stays, and further shots fly through it.
      Shot(64, 98, 1);
      Frame();
      EXPECT_EQ(creature->health, c.hitsToKill) << c.kind;
      EXPECT_EQ(Things().size(), 3u);
    }
  }
}

TEST_F(ObjectHitsTest, OneShotHitsEveryCreatureItOverlapsAndGoesOnce) {
  auto a = Still(BAT, 100);
  auto b = Still(DOG, 102);
  Shot(64, 99, 1);
  Frame();
  EXPECT_EQ(a->health, 1);
  EXPECT_EQ(b->health, 1);
  EXPECT_EQ(pla->score, 10);
  EXPECT_EQ(Things(), (std::vector<std::shared_ptr<ect>>{pla, a, b}));
  EXPECT_EQ(Effects(), (std::vector<int32_t>{8, 8}));
}

TEST_F(ObjectHitsTest, TwoShotsInOneFrameFinishABatHitTwiceBefore) {
  auto bat = Still(BAT, 100);
  bat->health = 2;
  Shot(64, 98, 1);
  Shot(64, 99, 1);
  Frame();
  EXPECT_EQ(bat->health, 4);
  EXPECT_EQ(bat->dead, 1);
  EXPECT_EQ(pla->score, 60);
  EXPECT_EQ(Things().size(), 2u);
  EXPECT_EQ(Effects(), (std::vector<int32_t>{8, 8, 9}));
}

TEST_F(ObjectHitsTest, AShotAtAWallStillHitsInItsLastTurn) {
  Cells(0, 2, {12}, WALL);
  auto bat = Still(BAT, 98);
  Shot(64, 96, 1);  // in the wall's column: turned back and used up
  Frame();
  EXPECT_EQ(bat->health, 1);
  Shot(64, 97, 1);
  Frame();
  EXPECT_EQ(Things().size(), 2u);
  EXPECT_EQ(bat->health, 2);
}

TEST_F(ObjectHitsTest, TurretShotsCostTheRecordedPlayer25Once) {
  Frame();  // the player's place of the previous frame
  auto bat = Still(BAT, 22);
  Shot(70, 18, 1);
  Shot(70, 22, -1);
  Frame();
  EXPECT_EQ(pla->health, 50 - 1);  // two shots, then the bat's touch
  EXPECT_EQ(bat->health, 0);       // turret shots never hit creatures
  EXPECT_EQ(Things().size(), 2u);
  EXPECT_EQ(Effects(), (std::vector<int32_t>{8, 8, 11}));
  // On the other half, nothing; at a wall it is used up all the same.
  ClearList(objects);
  ListAddLast(objects, pla);
  pla->health = 100;
  Shot(70, 20, 1, 4);
  Frame();
  EXPECT_EQ(pla->health, 100);
  Cells(0, 3, {3}, WALL);
  Shot(70, 26, 1);
  Frame();
  EXPECT_EQ(pla->health, 75);
  EXPECT_EQ(Effects(), (std::vector<int32_t>{2, 8}));
  EXPECT_EQ(Things().size(), 2u);
}

TEST_F(ObjectHitsTest, TouchDamageOfEachKindInEveryFrameOfContact) {
  struct Case {
    int32_t kind;
    int32_t damage;
  };
  const std::vector<Case> cases = {{BAT, 1},   {DOG, 2},    {BARREL, 1}, {SPIKEY, 15}, {BEAR, 10},
                                   {SNAKE, 2}, {SPIKE, 500}, {FLAME, 12}, {64, 0},      {70, 0}};
  for (const Case& c : cases) {
    ClearList(objects);
    ListAddLast(objects, pla);
    pla->health = 1000;
    auto thing = c.kind < 100 ? Shot(c.kind, 20, 1) : Still(c.kind, 21);
    thing->gx = 0;
    Frame();
    Frame();
    // A turret shot's own hit is not a touch.
    const int32_t turret = c.kind == 70 ? 25 : 0;
    EXPECT_EQ(pla->health, 1000 - 2 * c.damage - turret) << c.kind;
    std::vector<int32_t> sounds;
    if (c.kind == 70) sounds = {8};
    if (c.damage > 0) sounds = {11, 11};
    EXPECT_EQ(Effects(), sounds) << c.kind;
  }
}

TEST_F(ObjectHitsTest, DeadCreaturesNeverHurt) {
  for (int32_t kind : {BAT, DOG, BEAR}) {
    auto c = Still(kind, 20);
    c->dead = 1;
  }
  Frame();
  EXPECT_EQ(pla->health, 100);
  EXPECT_TRUE(Effects().empty());
}

TEST_F(ObjectHitsTest, SweepingSpikesHurtOnlyWhileLit) {
  pla->health = 100000;
  pla->x = 84;
  auto spike = Still(SPIKE2, 80);
  std::vector<int> hurt;
  for (int turn = 1; turn <= 50; ++turn) {
    const int32_t before = pla->health;
    Frame();
    if (pla->health != before) {
      EXPECT_EQ(before - pla->health, 500);
      hurt.push_back(turn);
    }
  }
  EXPECT_EQ(hurt, (std::vector<int>{36, 37, 38, 39, 40, 41, 42, 43, 44}));
}

// Shots through the walk at zoom 1, on a sheet whose frames differ: every
// frame is one solid texel in its top row, in column 1 for the shot (64), 5
// for the bat's second picture (161) and 0 for all others. A bat at x 100 is
// drawn at (96, 44), its first picture's texel on screen column 96, or 103
// when both pictures are mirrored.
class ShapedHits : public ObjectHitsTest {
 protected:
  void SetUp() override {
    ObjectHitsTest::SetUp();
    gfx = MakeSheet([](int frame, int px, int py) {
      const int column = frame == 64 ? 1 : frame == BAT + 1 ? 5 : 0;
      return py == 0 && px == column;
    });
    playstate.zoom = 1.0f;
  }
  // Whether a shot fired from `start` in direction `dir` hits a bat that is
  // showing its second picture; the shot moves 2 before it is drawn and
  // tested.
  bool ShotHitsBat(int32_t start, int32_t dir) {
    ClearList(objects);
    ListAddLast(objects, pla);
    auto bat = Still(BAT, 100);
    bat->stp = 3;
    Frame();
    Shot(64, start, dir);
    testgraphics::ClearDraws();
    Frame();
    int shown = 0;
    for (const auto& r : testgraphics::DrawsOf(testgraphics::Op::Image)) shown += r.frame == BAT + 1 ? 1 : 0;
    EXPECT_EQ(shown, 1) << "the bat walks in its second picture";
    return bat->health == 1;
  }
};

TEST_F(ShapedHits, ACreatureIsShotAtInItsFirstPictureWhicheverItShows) {
  // The shot's texel on screen column 96: over the first picture's texel.
  EXPECT_TRUE(ShotHitsBat(97, 1));
  // On column 101: over the texel of the picture the bat is drawn with.
  EXPECT_FALSE(ShotHitsBat(102, 1));
}

TEST_F(ShapedHits, BothPicturesAreMirroredWhenTheShotFliesLeft) {
  struct Case {
    int32_t start, dir;
    bool hit;
  };
  const std::vector<Case> cases = {
      {103, -1, true},   // drawn from 97: mirrored, the shot's texel meets the bat's on column 103
      {101, -1, false},  // drawn from 95, where an unmirrored test would meet
      {99, 1, false},    // drawn from 97 unmirrored
  };
  for (const Case& c : cases) EXPECT_EQ(ShotHitsBat(c.start, c.dir), c.hit) << c.start << " " << c.dir;
}

// Hit tests at zoom 1 with frames of one solid texel, where only exactly
// placed frames overlap.
class PixelHits : public WalkTest {
 protected:
  void SetUp() override {
    WalkTest::SetUp();
    gfx = MakeSheet([](int, int px, int py) { return px == 0 && py == 0; });
    playstate.zoom = 1.0f;
    SetSize(1.0f, 1.0f);
  }
  // The current thing as its drawing left it.
  void Drawn(const std::shared_ptr<ect>& thing, int32_t sx, int32_t sy, int32_t frame) {
    obj = thing;
    playstate.spent = 0;
    playstate.objscrx = sx;
    playstate.objscry = sy;
    playstate.drawframe = frame;
  }
};

TEST_F(PixelHits, AShotTriesOnceMoreTwoPixelsUpAndLeft) {
  auto bat = Creature(BAT, 100);  // drawn at (96, 44)
  struct Case {
    int32_t shotX;  // room x, for the reach test
    int32_t sx, sy;
    bool hit;
  };
  const std::vector<Case> cases = {
      {100, 96, 44, true},  {100, 98, 46, true},  {100, 98, 44, false}, {100, 96, 46, false},
      {100, 94, 42, false}, {100, 97, 44, false}, {123, 96, 44, true},  {77, 96, 44, true},
      {124, 96, 44, false}, {76, 96, 44, false},
  };
  for (const Case& c : cases) {
    bat->health = 0;
    auto shot = std::make_shared<ect>();
    shot->t = 64;
    shot->x = c.shotX;
    shot->layer = 2;
    Drawn(shot, c.sx, c.sy, 64);
    ObjectHits();
    EXPECT_EQ(bat->health, c.hit ? 1 : 0) << c.shotX << " (" << c.sx << "," << c.sy << ")";
    EXPECT_EQ(playstate.spent, c.hit ? 1 : 0);
  }
}

TEST_F(PixelHits, TouchesTryTheThingTwoRightAndOneLeftAndSkipOnlyFarRight) {
  playstate.plascreenx = 300;
  playstate.plascreeny = 200;
  playstate.plaframe = 0;
  auto bat = std::make_shared<ect>();
  bat->t = BAT;
  bat->layer = 2;
  struct Case {
    int32_t dxRoom;  // the thing's x minus the player's
    int32_t dxScreen;
    int32_t dyScreen;
    bool hurts;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, true},    {0, -2, 0, true},   {0, 1, 0, true},   {0, -1, 0, false}, {0, 2, 0, false},
      {0, 0, 1, false},   {23, 0, 0, true},   {24, 0, 0, false}, {-30, 0, 0, true}, {-300, -2, 0, true},
  };
  for (const Case& c : cases) {
    pla->health = 100;
    bat->x = pla->x + c.dxRoom;
    Drawn(bat, 300 + c.dxScreen, 200 + c.dyScreen, BAT);
    ObjectHits();
    EXPECT_EQ(pla->health, c.hurts ? 99 : 100) << c.dxRoom << " " << c.dxScreen << "," << c.dyScreen;
  }
}

TEST_F(PixelHits, TurretShotsMakeOneTestWithinReach) {
  playstate.plascreenx = 300;
  playstate.plascreeny = 200;
  playstate.plaframe = 0;
  struct Case {
    int32_t dxRoom, dxScreen, layer;
    bool hit;
  };
  const std::vector<Case> cases = {{0, 0, 2, true},   {23, 0, 2, true},  {-23, 0, 2, true}, {24, 0, 2, false},
                                   {-24, 0, 2, false}, {0, -2, 2, false}, {0, 1, 2, false},  {0, 0, 4, false}};
  for (const Case& c : cases) {
    pla->health = 100;
    auto shot = std::make_shared<ect>();
    shot->t = 70;
    shot->x = pla->x + c.dxRoom;
    shot->layer = c.layer;
    Drawn(shot, 300 + c.dxScreen, 200, 70);
    ObjectHits();
    EXPECT_EQ(pla->health, c.hit ? 75 : 100) << c.dxRoom << " " << c.dxScreen << " layer " << c.layer;
    EXPECT_EQ(playstate.spent, c.hit ? 1 : 0);
  }
}

TEST_F(PixelHits, ThePlayersOwnTurnTestsNothingAndStaysInTheList) {
  Drawn(pla, playstate.plascreenx, playstate.plascreeny, 0);
  ObjectHits();
  EXPECT_EQ(pla->health, 100);
  EXPECT_EQ(playstate.spent, 0);
  EXPECT_EQ(Things(), std::vector<std::shared_ptr<ect>>{pla});
  EXPECT_TRUE(Effects().empty());
}

}  // namespace

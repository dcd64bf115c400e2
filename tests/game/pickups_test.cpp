// What the player takes by touch: the touch test against the player as last
// drawn, table-driven touch damage, each pickup's score, health, ammunition
// and sound, mines and their blast, and keys into the inventory.
#include <vector>

#include "cells_test_util.h"
#include "game/cell_pass.h"
#include "game/pickups.h"

namespace {

using cellstest::CellTest;
using cellstest::Played;

class PickupsTest : public CellTest {
 protected:
  void Frame() {
    ++leveltick;
    if (leveltick >= 240) leveltick = 0;
    CellPass();
  }
};

struct Pickup {
  int32_t code;
  int score, health;
  std::vector<Played> sounds;
  int32_t cellAfter;
};

TEST_F(PickupsTest, EachPickupsScoreHealthCellAndSound) {
  const Played pickup{10, 1.0f};
  const Pickup cases[] = {
      {kGem, 25, 0, {pickup}, 0},
      {kCross, 1000, 0, {pickup, {13, 1.0f}}, 0},
      {kHp, 25, 25, {pickup}, 0},
      {kAmmo, 25, 0, {pickup}, 0},
      {kAmmo2, 100, 0, {pickup}, 0},
      {kMine, 25, 0, {{2, 0.5f}}, 144},
      {kKeyYellow, 25, 0, {pickup}, 0},
      {kKeyBlue, 25, 0, {pickup}, 0},
      {158, 0, -20, {{1, 0.4f}, {11, 1.0f}}, 158},  // the bang of reaching 158 comes first
      {159, 0, -20, {{11, 1.0f}}, 159},
      {157, 0, 0, {}, 157},
      {120, 0, 0, {}, 120},
  };
  for (const Pickup& c : cases) {
    SCOPED_TRACE(c.code);
    room->obj.fill(0);
    // A stage is counted on before its visit looks at it.
    const int32_t stored = c.code >= 144 && c.code < 160 ? c.code - 1 : c.code;
    Put(1, 2, 9, stored);
    PlayerOn(1, 9);
    pla->score = 1000;
    pla->health = 100;
    endoflevel = 0;
    playstate.freeslot = 19;
    ClearRecords();
    CellPass();
    EXPECT_EQ(pla->score, 1000 + c.score);
    EXPECT_EQ(pla->health, 100 + c.health);
    EXPECT_EQ(Sounds(), c.sounds);
    EXPECT_EQ(Live(1, 2, 9), c.cellAfter);
    EXPECT_EQ(room->objEdit[RoomCell(1, 2, 9)], stored) << "play never writes the editor's cells";
  }
}

TEST_F(PickupsTest, CrossCompletesALevelStillBeingPlayedOnly) {
  const int before[] = {0, 1, 2};
  const int after[] = {1, 1, 2};
  for (int i = 0; i < 3; ++i) {
    Put(0, 0, 3, kCross);
    PlayerOn(0, 3);
    pla->score = 0;
    endoflevel = before[i];
    ClearRecords();
    CellPass();
    EXPECT_EQ(endoflevel, after[i]);
    EXPECT_EQ(pla->score, 1000);
    EXPECT_EQ(Sounds().size(), before[i] == 0 ? 2u : 1u);
  }
}

TEST_F(PickupsTest, TwoCrossesInOneFrameSoundTheLevelEndOnce) {
  Put(0, 0, 3, kCross);
  Put(0, 1, 3, kCross);
  PlayerOn(0, 3);
  CellPass();
  EXPECT_EQ(pla->score, 2000);
  EXPECT_EQ(Sounds(), (std::vector<Played>{{10, 1.0f}, {13, 1.0f}, {10, 1.0f}}));
}

TEST_F(PickupsTest, HealthHasNoCeilingAndHealsBelowOne) {
  for (int health : {990, -10}) {
    Put(0, 0, 3, kHp);
    PlayerOn(0, 3);
    pla->health = health;
    CellPass();
    EXPECT_EQ(pla->health, health + 25);
  }
}

TEST_F(PickupsTest, TouchNeedsTheHalfTheReachAndTheDrawnPicturesToMeet) {
  struct Case {
    int layer, x, screenx;
    bool taken;
  };
  const int left = 5 * 56;  // the gem's sprite, column 5 of the top half
  const Case cases[] = {{2, 40, left, true},       {4, 40, left, false},  {2, 25, left, true},
                        {2, 24, left, false},      {2, 55, left, true},   {2, 56, left, false},
                        {2, 40, left + 55, true},  {2, 40, left + 56, false}, {2, 40, left - 56, false},
                        {3, 40, left, false}};
  for (const Case& c : cases) {
    Put(0, 1, 5, kGem);
    pla->layer = c.layer;
    pla->x = c.x;
    playstate.plascreenx = c.screenx;
    playstate.plascreeny = 301;
    playstate.plaframe = 1;
    CellPass();
    EXPECT_EQ(Live(0, 1, 5), c.taken ? 0 : kGem) << c.layer << " " << c.x << " " << c.screenx;
  }
}

TEST_F(PickupsTest, TouchUsesTheZoomOfThisFrameForBothPictures) {
  playstate.zoom = 4.0f;
  SetSize(4.0f);
  playstate.viewx = 276;
  playstate.viewy = 193;
  Put(1, 0, 2, kGem);
  PlayerOn(1, 2);
  EXPECT_EQ(playstate.plascreenx, 276 + 64);
  EXPECT_EQ(playstate.plascreeny, 193 + 256 + 172);
  playstate.plascreenx += 31;  // 8 room pixels at zoom 4 are 32 screen pixels
  CellPass();
  EXPECT_EQ(Live(1, 0, 2), 0);
  Put(1, 0, 2, kGem);
  playstate.plascreenx += 1;
  CellPass();
  EXPECT_EQ(Live(1, 0, 2), kGem);
}

TEST_F(PickupsTest, OnlySpriteCodesAreTouchTested) {
  ObjH[42] = ObjH[80] = ObjH[162] = 7;  // would hurt if tested
  Put(0, 0, 5, 42);
  Put(0, 1, 5, 80);
  Put(0, 2, 5, 162);
  Put(0, 3, 5, 600);
  PlayerOn(0, 5);
  CellPass();
  EXPECT_EQ(pla->health, 100);
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(PickupsTest, TouchDamageIsTableDrivenAndDormantWithTheStartUpTable) {
  Put(0, 0, 5, 120);
  PlayerOn(0, 5);
  CellPass();
  EXPECT_EQ(pla->health, 100) << "no drawn cell kind hurts with the start-up table";
  ObjH[120] = 5;
  pla->health = 3;
  for (int frame = 0; frame < 2; ++frame) CellPass();
  EXPECT_EQ(pla->health, -7);
  EXPECT_EQ(Sounds(), (std::vector<Played>{{11, 1.0f}, {11, 1.0f}}));
  EXPECT_EQ(Live(0, 0, 5), 120);
}

TEST_F(PickupsTest, WithoutTheSpriteSheetNothingIsDrawnOrTouched) {
  gfx = 0;
  Put(0, 0, 5, kGem);
  PlayerOn(0, 5);
  CellPass();
  EXPECT_EQ(Live(0, 0, 5), kGem);
  EXPECT_TRUE(Images().empty());
  EXPECT_EQ(pla->score, 0);
}

TEST_F(PickupsTest, InTheFirstFrameOfAGameThePlayerIsFrameZeroAtTheCorner) {
  playstate.plascreenx = playstate.plascreeny = playstate.plaframe = 0;
  pla->x = 4;
  playstate.viewy = -301;  // brings the top-left cell's sprite to the corner
  Put(0, 0, 0, kGem);
  CellPass();
  EXPECT_EQ(Live(0, 0, 0), 0);
}

// Ammunition slots holding kind 1, 2 or nothing, as a string of digits.
std::string Store() {
  std::string s;
  for (int32_t slot : pla->ammo) s += static_cast<char>('0' + slot);
  return s;
}

TEST_F(PickupsTest, AmmunitionFillsTheTwelveLowestEmptySlots) {
  struct Case {
    std::string before;  // the first slots; the rest empty
    int kind;
    std::string after;
  };
  const Case cases[] = {
      {std::string(24, '1'), 1, std::string(36, '1')},
      {std::string(24, '1'), 2, std::string(24, '1') + std::string(12, '2')},
      {"2020202", 1, "2121212111111111"},
      {"0202", 1, "12121111111111"},
      {std::string(355, '2'), 1, std::string(355, '2') + "11111"},
      {std::string(360, '1'), 2, std::string(360, '1')},
  };
  for (const Case& c : cases) {
    pla->ammo.fill(0);
    for (size_t i = 0; i < c.before.size(); ++i) pla->ammo[i] = c.before[i] - '0';
    AddAmmo(c.kind);
    std::string want = c.after + std::string(360 - c.after.size(), '0');
    EXPECT_EQ(Store(), want) << c.before.substr(0, 10);
  }
}

TEST_F(PickupsTest, AFullStoreStillTakesTheAmmunition) {
  pla->ammo.fill(2);
  Put(0, 0, 5, kAmmo);
  PlayerOn(0, 5);
  CellPass();
  EXPECT_EQ(Live(0, 0, 5), 0);
  EXPECT_EQ(pla->score, 25);
  EXPECT_EQ(Store(), std::string(360, '2'));
}

TEST_F(PickupsTest, TwoAmmunitionPickupsInOneFrameFillInPassOrder) {
  Put(0, 1, 5, kAmmo2);
  Put(0, 0, 5, kAmmo);
  PlayerOn(0, 5);
  CellPass();
  EXPECT_EQ(Store(), std::string(36, '1') + std::string(12, '2') + std::string(312, '0'));
  EXPECT_EQ(pla->score, 125);
}

TEST_F(PickupsTest, KeysFillTheInventoryFromTheSlotTheLastScanFound) {
  Put(0, 0, 5, kKeyGreen);
  PlayerOn(0, 5);
  playstate.freeslot = 0;  // the first frame of a game
  CellPass();
  EXPECT_EQ(pla->inv[0], kKeyGreen);
  EXPECT_EQ(Live(0, 0, 5), 0);
}

TEST_F(PickupsTest, AFullInventoryLeavesTheKeyInPlace) {
  pla->inv.fill(kKeyRed);
  Put(0, 0, 5, kKeyYellow);
  PlayerOn(0, 5);
  playstate.freeslot = -1;
  CellPass();
  EXPECT_EQ(Live(0, 0, 5), kKeyYellow);
  EXPECT_EQ(pla->score, 0);
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(PickupsTest, TwoKeysInOneFrameEachGetASlotOfTheirOwn) {
  // The second key of a frame finds the slot the scan named already taken.
  Put(0, 0, 5, kKeyYellow);
  Put(0, 1, 5, kKeyBlue);
  Put(0, 2, 5, kKeyRed);
  pla->inv[19] = kKeyGreen;
  PlayerOn(0, 5);
  playstate.freeslot = 18;
  CellPass();
  EXPECT_EQ(Live(0, 0, 5), 0);
  EXPECT_EQ(Live(0, 1, 5), 0);
  EXPECT_EQ(Live(0, 2, 5), 0);
  EXPECT_EQ((std::vector<int32_t>(pla->inv.begin() + 15, pla->inv.end())),
            (std::vector<int32_t>{0, kKeyRed, kKeyBlue, kKeyYellow, kKeyGreen}));
  EXPECT_EQ(pla->score, 75);
  EXPECT_EQ(playstate.freeslot, 15);
}

TEST_F(PickupsTest, AKeyNeverOverwritesACarriedKey) {
  pla->inv[19] = kKeyGreen;
  pla->inv[18] = kKeyGreen;
  Put(0, 0, 5, kKeyYellow);
  PlayerOn(0, 5);
  playstate.freeslot = 19;  // named before the slot was filled
  CellPass();
  EXPECT_EQ(pla->inv[19], kKeyGreen);
  EXPECT_EQ(pla->inv[18], kKeyGreen);
  EXPECT_EQ(pla->inv[17], kKeyYellow);
}

TEST_F(PickupsTest, TwoKeysWithRoomForOneTakeOneAndLeaveTheOther) {
  pla->inv.fill(kKeyRed);
  pla->inv[7] = 0;
  Put(0, 0, 5, kKeyYellow);
  Put(0, 1, 5, kKeyBlue);
  PlayerOn(0, 5);
  playstate.freeslot = 7;
  CellPass();
  EXPECT_EQ(pla->inv[7], kKeyYellow);
  EXPECT_EQ(Live(0, 1, 5), kKeyBlue);
  EXPECT_EQ(pla->score, 25);
}

TEST_F(PickupsTest, AMineGoesOffOnceAndItsLastTwoStagesHurtAToucher) {
  Put(1, 1, 8, kMine);
  PlayerOn(1, 8);
  pla->health = 100;
  std::vector<int> hurt;
  for (int frame = 0; frame <= 17; ++frame) {
    const int before = pla->health;
    ClearRecords();
    Frame();
    if (pla->health != before) hurt.push_back(frame);
  }
  EXPECT_EQ(hurt, (std::vector<int>{14, 15}));
  EXPECT_EQ(pla->health, 60);
  EXPECT_EQ(pla->score, 25);
  EXPECT_EQ(Live(1, 1, 8), 0);
}

TEST_F(PickupsTest, TwoMinesInOneColumnHurtInStep) {
  Put(0, 0, 8, kMine);
  Put(0, 3, 8, kMine);
  PlayerOn(0, 8);
  CellPass();
  EXPECT_EQ(Sounds(), (std::vector<Played>{{2, 0.5f}, {2, 0.5f}}));
  EXPECT_EQ(pla->score, 50);
  for (int frame = 1; frame <= 14; ++frame) {
    ClearRecords();
    CellPass();
  }
  EXPECT_EQ(pla->health, 60);
  EXPECT_EQ(Sounds(), (std::vector<Played>{{1, 0.4f}, {11, 1.0f}, {1, 0.4f}, {11, 1.0f}}));
  CellPass();
  EXPECT_EQ(pla->health, 20);
}

TEST_F(PickupsTest, AnExplosionDoesNotHurtAPlayerInTheOtherHalf) {
  Put(0, 0, 8, 157);
  PlayerOn(0, 8);
  pla->layer = 4;
  CellPass();
  EXPECT_EQ(pla->health, 100);
}

}  // namespace

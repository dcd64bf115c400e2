// The object-kind table and the world lists.
//
// A kind code is what a room cell holds and what a moving thing's `t` says it
// is. `OBJN` names the codes that level files and the editor's palette know;
// `ObjH` is the damage a creature or hazard of that kind deals on touch. Both
// are filled once at start-up and only read afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "level/records.h"
#include "platform/list.h"

constexpr int kKindCount = 500;

extern std::array<std::string, kKindCount> OBJN;
extern std::array<int32_t, kKindCount> ObjH;

// The world lists; they live for the whole run.
extern List<ve> driving;       // trail dots of the map screen
extern List<game> levels;      // one header per level file, sorted by title
extern List<layout> rooms;     // rooms of the loaded level, the empty room first
extern List<ect> objects;      // the player, the current room's things and shots

// Empties the four lists and fills both tables.
void MakeObjectKinds();

// Named kind codes.
enum ObjKind : int32_t {
  kVine = 40,
  kLadder = 41,
  kWall = 42,
  kWallCrawl = 43,
  kHoleLeftEnd = 44,
  kHole = 45,
  kHoleRightEnd = 46,
  kGrip = 47,
  kGateYellow = 48,
  kGateRed = 49,
  kGateGreen = 50,
  kGateBlue = 51,
  kCrumble = 52,
  kGem = 96,
  kCross = 97,
  kHp = 98,
  kAmmo = 99,
  kAmmo2 = 101,
  kMine = 103,
  kKeyYellow = 104,
  kKeyRed = 105,
  kKeyGreen = 106,
  kKeyBlue = 107,
  kTurretLeft = 108,
  kTurretRight = 109,
  kExplosion = 144,
  kBat = 160,
  kDog = 162,
  kBarrel = 164,
  kSpikey = 166,
  kBear = 168,
  kSnake = 170,
  kSpike = 172,
  kFlame = 174,
  kSpike2 = 176,
  kSpike3 = 178,
};

// Name to code as level files use it: trimmed, any letter case, the highest
// code from 1 to 199 whose name matches; 0 when none does (or for "").
int32_t KindCode(const std::string& name);
// Code to the name written in level files (lower case); "" for unnamed codes
// and codes outside the table.
std::string KindName(int32_t code);
// Touch damage of a code, 0 outside the table.
int32_t TouchDamage(int32_t code);

// Code classes the game's tests are built from.
bool IsSolidKind(int32_t code);               // walls and closed gates
bool IsClimbKind(int32_t code);               // vine, ladder
bool IsGripKind(int32_t code);
// A hole at pixel `x` within the room; the end forms count only on their side.
bool IsHoleKind(int32_t code, int32_t x);
bool IsThrownKind(int32_t t);                 // shots and turret shots
bool IsSpawnedKind(int32_t code);             // becomes a moving thing on room entry
bool IsShotTargetKind(int32_t t);             // the player's shots stop on it
bool IsStillKind(int32_t code);               // spawned standing still
// Hits that kill a creature, 0 for kinds that never die; and the points for it.
int32_t KillHits(int32_t code);
int32_t KillPoints(int32_t code);
// The key that opens a gate, 0 when the code is no gate.
int32_t GateKey(int32_t gate);

#include "startup/object_kinds.h"

#include "platform/runtime.h"

std::array<std::string, kKindCount> OBJN;
std::array<int32_t, kKindCount> ObjH;

List<ve> driving;
List<game> levels;
List<layout> rooms;
List<ect> objects;

namespace {

struct KindEntry {
  int32_t code;
  const char* name;
  int32_t damage;
};

// In code order; only creatures and hazards hurt on touch.
constexpr KindEntry kKinds[] = {
    {kVine, "VINE", 0},
    {kLadder, "LADDER", 0},
    {kWall, "WALL", 0},
    {kWallCrawl, "WALL_CRAWL", 0},
    {kHole, "HOLE", 0},
    {kGrip, "GRIP", 0},
    {kGateYellow, "GATE_YELLOW", 0},
    {kGateRed, "GATE_RED", 0},
    {kGateGreen, "GATE_GREEN", 0},
    {kGateBlue, "GATE_BLUE", 0},
    {kCrumble, "CRUMBLE", 0},
    {kGem, "GEM", 0},
    {kCross, "CROSS", 0},
    {kHp, "HP", 0},
    {kAmmo, "AMMO", 0},
    {kAmmo2, "AMMO2", 0},
    {kMine, "MINE", 0},
    {kKeyYellow, "KEY_YELLOW", 0},
    {kKeyRed, "KEY_RED", 0},
    {kKeyGreen, "KEY_GREEN", 0},
    {kKeyBlue, "KEY_BLUE", 0},
    {kTurretLeft, "TURRET_LEFT", 0},
    {kTurretRight, "TURRET_RIGHT", 0},
    {kBat, "BAT", 1},
    {kDog, "DOG", 2},
    {kBarrel, "BARREL", 1},
    {kSpikey, "SPIKEY", 15},
    {kBear, "BEAR", 10},
    {kSnake, "SNAKE", 2},
    {kSpike, "SPIKE", 500},
    {kFlame, "FLAME", 12},
    {kSpike2, "SPIKE2", 500},
    {kSpike3, "SPIKE3", 500},
};

bool InTable(int32_t code) { return code >= 0 && code < kKindCount; }

}  // namespace

void MakeObjectKinds() {
  ClearList(driving);
  ClearList(levels);
  ClearList(rooms);
  OBJN.fill(std::string());
  ObjH.fill(0);
  for (const KindEntry& k : kKinds) {
    OBJN[k.code] = k.name;
    if (k.code >= kBat && k.code <= kSpike3) ObjH[k.code] = k.damage;
  }
  ClearList(objects);
}

int32_t KindCode(const std::string& name) {
  const std::string wanted = Upper(Trim(name));
  // Unnamed codes have the empty name; nothing names them.
  if (wanted.empty()) return 0;
  int32_t found = 0;
  for (int32_t code = 1; code <= 199; ++code) {
    if (OBJN[code] == wanted) found = code;
  }
  return found;
}

std::string KindName(int32_t code) { return InTable(code) ? Lower(OBJN[code]) : std::string(); }

int32_t TouchDamage(int32_t code) { return InTable(code) ? ObjH[code] : 0; }

bool IsSolidKind(int32_t code) {
  return code == kWall || code == kWallCrawl || (code >= kGateYellow && code <= kGateBlue);
}

bool IsClimbKind(int32_t code) { return code == kVine || code == kLadder; }

bool IsGripKind(int32_t code) { return code == kGrip; }

bool IsHoleKind(int32_t code, int32_t x) {
  // The remainder takes the sign of x, as the terrain probe expects.
  const int32_t r = x % 8;
  if (code == kHole) return true;
  if (code == kHoleLeftEnd) return r >= 3;
  if (code == kHoleRightEnd) return r <= 4;
  return false;
}

bool IsThrownKind(int32_t t) { return t >= 64 && t <= 95; }

bool IsSpawnedKind(int32_t code) { return code >= 160 && code <= 255; }

bool IsShotTargetKind(int32_t t) { return t > 95 && t != kSpikey && t != kSpike && t != kFlame; }

bool IsStillKind(int32_t code) {
  return code == kSpikey || code == kSpike || code == kFlame || code == kSpike2 || code == kSpike3;
}

int32_t KillHits(int32_t code) {
  switch (code) {
    case kBat: return 3;
    case kDog: return 5;
    case kBear: return 10;
    default: return 0;
  }
}

int32_t KillPoints(int32_t code) {
  switch (code) {
    case kBat: return 50;
    case kDog: return 100;
    case kBear: return 250;
    default: return 0;
  }
}

int32_t GateKey(int32_t gate) { return gate >= kGateYellow && gate <= kGateBlue ? gate + 56 : 0; }

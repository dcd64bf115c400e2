// Shots hit creatures and score, turret shots and creatures hurt the player, and spent shots are gone.
#include "game/object_hits.h"

#include <cstdlib>

#include "framework/sound.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/terrain.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t TURRET_SHOT = 70;
constexpr int32_t SPIKEY = 166, SPIKE = 172, FLAME = 174, SPIKE2 = 176, SPIKE3 = 178;
constexpr int32_t kCreatureKinds = 95;  // kinds above this are creatures
constexpr int32_t kReach = 24;          // room pixels; farther things are never pixel-tested
constexpr int32_t kSfxHit = 8, kSfxTouch = 11;
constexpr int32_t kShotPoints = 5;
constexpr int32_t kTurretDamage = 25;

// Both frames are placed under the scale the current thing was drawn with,
// so they are both mirrored when it faces left.
bool Overlap(int32_t x1, int32_t y1, int32_t frame1, int32_t x2, int32_t y2, int32_t frame2) {
  return ImagesCollide(gfx, x1, y1, frame1, gfx, x2, y2, frame2) != 0;
}

bool Shootable(const ect& e) {
  return e.t > kCreatureKinds && e.layer == obj->layer && std::abs(obj->x - e.x) < kReach && e.dead == 0 &&
         e.t != SPIKE && e.t != FLAME && e.t != SPIKEY;
}

// A player's shot counts a hit on every living, shootable creature of its
// half that it overlaps; the creature is tested with its first picture.
// The creature dies, if it does, on its own turn.
void ShotAgainstCreatures() {
  const double zoom = playstate.zoom;
  for (const auto& e : objects) {
    if (!e || !Shootable(*e)) continue;
    const int32_t cx = static_cast<int32_t>(static_cast<double>(e->x - 4) * zoom + playstate.viewx);
    const double row = static_cast<double>((e->layer - 1) * 32 + e->y + 11) - Sin(e->jump) * 16.0;
    const int32_t cy = static_cast<int32_t>(row * zoom + playstate.viewy);
    const int32_t sx = playstate.objscrx, sy = playstate.objscry, frame = playstate.drawframe;
    if (!Overlap(sx, sy, frame, cx, cy, e->t) && !Overlap(sx - 2, sy - 2, frame, cx, cy, e->t)) continue;
    e->health += 1;
    PlaySFX(kSfxHit, 1.0f, 1.0f, 0.0f);
    pla->score += kShotPoints;
    playstate.spent = 1;
  }
}

// A turret shot on the player costs 25 health once and is used up. It sees
// the player where it was drawn in the previous frame.
void TurretShotAgainstPlayer() {
  if (pla->layer != obj->layer || std::abs(obj->x - pla->x) >= kReach) return;
  if (!Overlap(playstate.objscrx, playstate.objscry, playstate.drawframe, playstate.plascreenx,
               playstate.plascreeny, playstate.plaframe))
    return;
  pla->health -= kTurretDamage;
  PlaySFX(kSfxHit, 1.0f, 1.0f, 0.0f);
  playstate.spent = 1;
}

// A thing touching the player takes its kind's damage in every frame of
// contact. Only things far to the right are skipped before the pixel test.
void TouchPlayer() {
  if (obj == pla || obj->layer != pla->layer || obj->x - pla->x >= kReach || obj->dead != 0) return;
  const int32_t frame = playstate.drawframe;
  if (frame == SPIKE2 || frame == SPIKE3) return;  // a sweeping spike hurts only while lit
  bool touch = false;
  for (const int32_t shift : {0, 2, -1}) {
    if (Overlap(playstate.objscrx + shift, playstate.objscry, frame, playstate.plascreenx, playstate.plascreeny,
                playstate.plaframe)) {
      touch = true;
      break;
    }
  }
  const int32_t damage = obj->t >= 0 && obj->t < kKindCount ? ObjH[obj->t] : 0;
  if (!touch || damage <= 0) return;
  pla->health -= damage;
  PlaySFX(kSfxTouch, 1.0f, 1.0f, 0.0f);
}

}  // namespace

void ObjectHits() {
  if (Thrown(obj->t)) {
    if (obj->t == TURRET_SHOT) TurretShotAgainstPlayer();
    else ShotAgainstCreatures();
  }
  TouchPlayer();
  // The walk stands on this entry and goes on with the one after it.
  if (playstate.spent == 1) ListRemove(objects, obj);
}

// Creatures walk and die in pictures, spikes light up as their sweep passes, the player stands, walks, crouches, climbs, drops, hangs and jumps, and every moving thing is drawn.
#include "game/animate.h"

#include <cstdlib>
#include <string>

#include "framework/draw.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/terrain.h"
#include "platform/runtime.h"

namespace {

constexpr int32_t kPlayerKinds = 10;
constexpr int32_t SPIKE2 = 176, SPIKE3 = 178;
constexpr int32_t kDeadFrames = 32;  // a kind's dead picture lies this far on
constexpr int32_t kCrouchFrame = 10, kAirFrame = 14, kHangFrame = 15, kDeadFrame = 18;
constexpr int32_t kCrouching = 5;
constexpr int32_t kSweepEnd = 200;
constexpr int32_t kLitRange = 10;
constexpr int32_t kEaseStep = 3;

// A counter that runs for as long as a thing stays in one room; it must not
// stop the game when it passes the top of its range.
int32_t StepOn(int32_t v, int32_t by) {
  return static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(by));
}

// Two pictures that alternate by time alone, so the creatures of a room walk
// in step; a dead creature keeps its dead picture.
void CreatureFrames() {
  if (obj->t > kPlayerKinds) obj->stp = StepOn(obj->stp, 1);
  if (obj->dead == 1) obj->stp = 0;
  if (obj->t == SPIKE2) return;
  playstate.drawframe = obj->t + (obj->stp / 4) % 2;
  if (obj->dead == 1) playstate.drawframe = obj->t + kDeadFrames;
}

// A sweeping spike's step counter is a sweep running across the room; the
// spike lights up, and only then hurts, while the sweep passes it. Shots
// show their own kind.
void SpikesAndShots() {
  if (obj->t == SPIKE2) {
    obj->stp = StepOn(obj->stp, 1);
    playstate.drawframe = SPIKE2;
    if (std::abs(obj->stp - obj->x) < kLitRange) playstate.drawframe = SPIKE2 + 1;
    if (obj->stp > kSweepEnd) obj->stp = 0;
  }
  if (obj->t == SPIKE3) {
    obj->stp = StepOn(obj->stp, -3);
    playstate.drawframe = SPIKE3;
    if (std::abs(obj->stp - obj->x) < kLitRange) playstate.drawframe = SPIKE3 + 1;
    DebugLog(std::to_string(obj->stp) + ":" + std::to_string(obj->x) + ":" +
             std::to_string(std::abs(obj->stp - obj->x)));
    if (obj->stp < 0) obj->stp = kSweepEnd;
  }
  if (Thrown(obj->t)) playstate.drawframe = obj->t;
}

// The player's slide into the half it climbed or dropped into, 3 pixels a
// frame with no sideways step; the end of a climb out of the top of the room
// puts it at the bottom of the room above.
void ClimbAndDrop() {
  if (obj->y < 0) {
    obj->y += kEaseStep;
    obj->gx = 0;
    if (obj->y > 0) obj->y = 0;
  }
  if (obj->y > 0) {
    obj->y -= kEaseStep;
    obj->gx = 0;
    if (obj->y < 0) {
      obj->y = 0;
      if (obj->layer < 1) {
        obj->layer += 4;
        obj->roomy -= 1;
        playstate.newroom = 1;
      }
    }
  }
}

// Standing, walking (1, 2, 3), crouching, climbing, dropping, hanging, dead
// and level-complete pictures, each later rule over the earlier ones. The
// touch tests keep the picture chosen here, before a jump's.
void PlayerFrame() {
  if (obj->t >= kPlayerKinds) return;
  if (obj->anim == 0) obj->stp = 0;
  if (obj->anim == 1 && (obj->stp < 4 || obj->stp > 15)) obj->stp = 4;
  if (playstate.hanging == 1 && (obj->stp < 0 || obj->stp > 11)) obj->stp = 0;
  playstate.drawframe = obj->stp / 4 + kDeadFrames * obj->dead;
  if (pla->anim == kCrouching) playstate.drawframe = kCrouchFrame;
  const int32_t rise = obj->y;
  if (rise > 0) playstate.drawframe = Rand(kHangFrame, kHangFrame + 2);
  if (rise < 0) playstate.drawframe = kAirFrame;
  ClimbAndDrop();
  if (playstate.hanging == 1) playstate.drawframe = obj->stp / 4 + kHangFrame;
  if (obj->health <= 0) playstate.drawframe = kDeadFrame;
  if (endoflevel == 1) playstate.drawframe = kAirFrame;
  playstate.plaframe = playstate.drawframe;
}

// Every tickreset-th frame a living thing moves by its step; a jump carries
// the thing 5 degrees further along its arc and jumpx sideways.
void StepAndJump() {
  if (obj->tick > 0) obj->tick -= 1;
  if (obj->tick == 0) {
    obj->tick = obj->tickreset;
    if (obj->dead == 0) obj->x += obj->gx;
  }
  if (obj->jump > 0) {
    if (playstate.hanging == 0) playstate.drawframe = kAirFrame;
    obj->x += obj->jumpx;
    obj->jump += 5;
    if (obj->jump > 180) obj->jump = 0;
  }
}

// The thing's frame on the zoomed room, facing its way and lifted by its
// jump; the unmirrored place is kept for the hit tests of this turn.
void DrawThing() {
  const float zoom = playstate.zoom;
  SetSize(zoom, zoom);
  int32_t mirrorShift = 0;
  if (obj->d == -1) {
    SetSize(-zoom, zoom);
    mirrorShift = static_cast<int32_t>(static_cast<double>(zoom) * 8.0);
  }
  const double row = static_cast<double>((obj->layer - 1) * 32 + obj->y + 11) - 16.0 * Sin(obj->jump);
  const double left = static_cast<double>(obj->x - 4) * zoom + playstate.viewx;
  const int32_t screenY = static_cast<int32_t>(row * zoom + playstate.viewy);
  const int32_t screenX = static_cast<int32_t>(left + mirrorShift);
  drawimg(gfx, screenX, screenY, playstate.drawframe, kDrawMain);
  playstate.objscrx = static_cast<int32_t>(left);
  playstate.objscry = static_cast<int32_t>(row * zoom + playstate.viewy);
  if (obj->t < kPlayerKinds) {
    playstate.plascreenx = playstate.objscrx;
    playstate.plascreeny = playstate.objscry;
  }
}

}  // namespace

void AnimateObjects() {
  CreatureFrames();
  SpikesAndShots();
  PlayerFrame();
  StepAndJump();
  DrawThing();
}

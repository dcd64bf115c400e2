// The player's shot leaves the gun, black bars frame the zoomed-out room and the game is lost when health runs out.
#include "game/shots_save.h"

#include <cmath>
#include <memory>
#include <numbers>

#include "framework/draw.h"
#include "framework/sound.h"
#include "game/game_state.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t kShotSound = 1;
constexpr int32_t kDeathSound = 14;
// Shot kinds of the first ammunition; the second kind's are 3 higher.
constexpr int32_t kShotStanding = 64;
constexpr int32_t kShotCrouched = 65;
constexpr int32_t kShotInAir = 66;
constexpr int32_t kCrouched = 5;
// The room view: 1288 x 896 at the play zoom; half a room is 92 room pixels.
constexpr float kViewWidth = 1288.0f;
constexpr float kViewHeight = 896.0f;
constexpr float kHalfRoom = 92.0f;

double SinDeg(int32_t degrees) { return std::sin(degrees * std::numbers::pi / 180.0); }

}  // namespace

void SpawnShot() {
  const int32_t slot = playstate.fireslot;
  if (slot >= 0 && slot < static_cast<int32_t>(pla->ammo.size())) pla->ammo[slot] = 0;
  PlaySFX(kShotSound, 1.0f, 1.0f, 0.0f);
  obj = std::make_shared<ect>();
  obj->x = pla->x;
  obj->y = pla->y;
  obj->layer = pla->layer;
  obj->gx = pla->d * 2;
  obj->roomx = pla->roomx;
  obj->roomy = pla->roomy;
  obj->d = pla->d;
  obj->t = kShotStanding;
  // In the air the shot leaves from the height of the arc.
  if (pla->jump != 0) {
    obj->t = kShotInAir;
    obj->y = static_cast<int32_t>(-(SinDeg(pla->jump) * 16.0));
  }
  if (pla->anim == kCrouched) obj->t = kShotCrouched;
  // Between halves, from where the player is drawn.
  if (pla->y != 0) {
    obj->t = kShotInAir;
    obj->y = pla->y;
  }
  obj->t += (playstate.firekind - 1) * 3;
  // First in the list: the next object walk moves it before anything else.
  ListAddFirst(objects, obj);
}

void CheckDeath() {
  ResetDraw();
  if (playstate.zoom < 7.0f) {
    // Black over the field left and right of the zoomed-out room. The room
    // was placed by the zoom before this frame's easing, so the bars trail
    // it by one step while the zoom moves.
    SetCol(0.0f, 0.0f, 0.0f, 1.0f);
    const float w = (7.0f - playstate.zoom) * kHalfRoom;
    const float left = static_cast<float>(playstate.basex);
    const float top = static_cast<float>(playstate.basey);
    playstate.barwidth = static_cast<int32_t>(w);
    playstate.barx = static_cast<int32_t>((left + kViewWidth) - w);
    DrawRect(left, top, w, kViewHeight);
    DrawRect((left + kViewWidth) - w, top, w, kViewHeight);
  }

  if (pla->health > 0) return;
  pla->health = 0;
  // A completed level stays completed, and a death is told only once.
  if (endoflevel == 0) {
    endoflevel = 2;
    PlaySFX(kDeathSound, 1.0f, 1.0f, 0.0f);
  }
}

#include "game/play_game.h"

#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/pump.h"
#include "game/frame_start.h"
#include "game/game_state.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "map/map_screen.h"
#include "platform/list.h"
#include "scores/popups.h"
#include "settings/startup_sequence.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t kStartX = 20;
constexpr int32_t kStartLayer = 2;  // the top half
constexpr int32_t kStartHealth = 100;
constexpr int32_t kStartAmmoSlots = 24;
constexpr int32_t kKeySlots = 20;
constexpr int32_t kLastBest = 30;

// The end of every frame: the frame pump, then the score the player has
// made so far.
void FrameEnd() {
  if (fps(UseFPS, 0, playstate.overview) == kPauseQuit) playstate.loopexit = 99;
  score = pla->score;
}

}  // namespace

void SetupGame() {
  playstate = PlayState{};
  leveltick = 0;
  score = 0;
  Mybadges = 0;
  for (int32_t slot = 1; slot <= kLastBest; ++slot) MyBest[slot] = 0;

  pla = std::make_shared<ect>();
  pla->x = kStartX;
  pla->y = 0;
  pla->jump = 0;
  pla->layer = kStartLayer;
  pla->health = kStartHealth;
  pla->score = 0;
  pla->roomx = 0;
  pla->roomy = 0;
  pla->t = 0;
  for (int32_t slot = 0; slot < kStartAmmoSlots; ++slot) {
    pla->ammo[slot] = 1;
    if (slot < kKeySlots) pla->inv[slot] = 0;
  }
  // The records of an earlier game stay until the first frame enters the
  // start room.
  ListAddLast(objects, pla);

  GetLevel(Uselevel->name);
  playstate.zoom = kPlayZoom;
  playstate.zoomto = kPlayZoom;
  DoTheMap();

  editmode = 0;
  playstate.overview = 0;
  playstate.editlayer = 0;
  if (Uselevel->Title == kYourLevelTitle) editmode = 1;
  playstate.edititem = kStartEditItem;
  playstate.newroom = 1;
  endoflevel = 0;
  endotick = 0;
}

void PlayFrame() {
  FrameStart();
  FrameEnd();
}

void PlayGame() {
  // Without a level pack there is nothing to play.
  if (!Uselevel) {
    InGame = 0;
    return;
  }
  SetupGame();
  while (playstate.loopexit == 0) PlayFrame();
  InGame = 0;
}

// A game's start and every next level: the player put back at the start, the level loaded and its map screen shown.
#include "game/level_start.h"

#include "framework/pause.h"
#include "game/end_of_play.h"
#include "game/game_state.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "map/map_screen.h"
#include "platform/list.h"
#include "scores/score_records.h"
#include "settings/startup_sequence.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t kStartX = 20;
constexpr int32_t kStartLayer = 2;  // the top half
constexpr int32_t kStartHealth = 100;
constexpr int32_t kStartAmmoSlots = 24;
constexpr int32_t kKeySlots = 20;
constexpr int32_t kLastBest = 30;

}  // namespace

void ResetLevelCounters() {
  leveltick = 0;
  Mybadges = 0;
  for (int32_t slot = 1; slot <= kLastBest; ++slot) MyBest[slot] = 0;
}

void PutPlayerAtStart() {
  pla->x = kStartX;
  pla->y = 0;
  pla->jump = 0;
  pla->layer = kStartLayer;
  pla->health = kStartHealth;
  pla->roomx = 0;
  pla->roomy = 0;
  pla->t = 0;
  for (int32_t slot = 0; slot < kStartAmmoSlots; ++slot) {
    pla->ammo[slot] = 1;
    if (slot < kKeySlots) pla->inv[slot] = 0;
  }
}

void StartLevel() {
  GetLevel(Uselevel->name);
  playstate.zoom = kPlayZoom;
  playstate.zoomto = kPlayZoom;
  // A quit chosen in the map screen's pause menu ends the game there.
  if (DoTheMap() == kPauseQuit) playstate.loopexit = kPauseQuit;

  editmode = 0;
  playstate.overview = 0;
  playstate.editlayer = 0;
  if (Uselevel->Title == kYourLevelTitle) editmode = 1;
  playstate.edititem = kStartEditItem;
  playstate.newroom = 1;
  endoflevel = 0;
  endotick = 0;
}

void SetupGame() {
  GameStarts();
  playstate = PlayState{};
  score = 0;
  ResetLevelCounters();
  pla = std::make_shared<ect>();
  pla->score = 0;
  PutPlayerAtStart();
  // The records of an earlier game stay until the first frame enters the
  // start room.
  ListAddLast(objects, pla);
  StartLevel();
}

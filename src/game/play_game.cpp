#include "game/play_game.h"

#include "framework/controls.h"
#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/pump.h"
#include "game/autosave.h"
#include "game/caption.h"
#include "game/cell_pass.h"
#include "game/editor_nav.h"
#include "game/editor_palette.h"
#include "game/editor_style.h"
#include "game/end_of_play.h"
#include "game/frame_start.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/level_end.h"
#include "game/object_walk.h"
#include "game/player.h"
#include "game/shots_save.h"
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
  if (fps(UseFPS, 0, playstate.overview) == kPauseQuit) playstate.loopexit = kPauseQuit;
  score = pla->score;
}

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

// One frame of play. What a section writes late in the frame reaches the
// sections before it only in the next frame: a room change is entered at the
// next frame head, and the view offsets the heads-up display sets place the
// room from the next frame on.
void PlayFrame() {
  FrameStart();  // screen cleared, room entered, zoom eased, backdrop drawn
  CellPass();    // room cells alive and drawn, pickups, editor placing
  ScanObjects();  // every moving thing: terrain, movement, drawing, hits
  PlayerCell();
  if (PlayerMove()) SpawnShot();
  AutoSave();
  CheckDeath();  // letterbox of the zoomed view, then the death check
  Hud1280();
  Hud1600();
  Hud1440();
  if (EditNav()) {
    EditStyle();
    EditPalette();
  }
  Caption();
  LevelEnd();
  FrameEnd();  // the frame pump, then the score copy
}

void PlayGame() {
  // Without a level pack there is nothing to play.
  if (!Uselevel) {
    InGame = 0;
    return;
  }
  SetupGame();
  HoldControls(true);  // one reading of each control per frame
  while (playstate.loopexit == 0) PlayFrame();
  HoldControls(false);
  EndOfPlay();
  InGame = 0;
}

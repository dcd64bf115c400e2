// A game: its set-up, then its frames, each the sections in order, until it is over.
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
#include "game/level_start.h"
#include "game/level_end.h"
#include "game/object_walk.h"
#include "game/player.h"
#include "game/shots_save.h"
#include "level/level_browser.h"

namespace {

// The end of every frame: the frame pump, then the score the player has
// made so far.
void FrameEnd() {
  if (fps(UseFPS, 0, playstate.overview) == kPauseQuit) playstate.loopexit = kPauseQuit;
  score = pla->score;
}

}  // namespace

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

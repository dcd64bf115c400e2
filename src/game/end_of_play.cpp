#include "game/end_of_play.h"

#include <memory>

#include "framework/globals.h"
#include "framework/pump.h"
#include "game/autosave.h"
#include "game/game_state.h"
#include "platform/list.h"
#include "scores/history.h"
#include "scores/name_entry.h"
#include "scores/score_records.h"
#include "scores/time_stamps.h"
#include "settings/startup_sequence.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kHoldMs = 1500;
constexpr int32_t kLastBest = 30;
constexpr int32_t kQuit = 99;

}  // namespace

void EndOfPlay() {
  // Edits still waiting for the autosave (a button held at the quit, an edit
  // in the last frame) are not lost.
  SaveUnsavedEdits();
  WaitUntil(static_cast<int32_t>(static_cast<uint32_t>(MMillisecs()) + kHoldMs));
  // Esc confirms the name from here on instead of opening the pause menu.
  InGame = 0;
  GetPlayerName();
  auto record = std::make_shared<Scores>();
  record->Score = score;
  record->Timestamp = Timestamp("");
  record->Badges = Mybadges;
  record->Name = MyName;
  for (fn = 1; fn <= kLastBest; ++fn) record->Best[fn] = MyBest[fn];
  record->Level = GameLevel;
  record->GameMode = GameMode;
  record->GameFlags = GameFlags;
  if (playstate.loopexit == kQuit) record->Quit = 1;
  ListAddLast(Highscores, record);
  SortList(Highscores);
  // Written at once, so a crash or a kill later in the run keeps the game.
  SaveScores();
}

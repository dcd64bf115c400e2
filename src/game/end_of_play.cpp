#include "game/end_of_play.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "framework/globals.h"
#include "framework/pause.h"
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

// A game that is over and not yet in the history, from the moment its end
// is known until its record is made.
struct Unrecorded {
  bool quit;  // the player chose Quit
  // Frames of it still run: its score is the player's own, not yet copied
  // at the end of a frame.
  bool inPlay;
};
std::optional<Unrecorded> unrecorded;

// Marks the game as waiting for its name for as long as the end of play
// lasts, however it is left. Left by an exception that the run ends on (the
// memory ran out), the game still waits: the way out the exception leads to
// records it.
class AwaitingName {
 public:
  AwaitingName() { unrecorded = Unrecorded{playstate.loopexit == kQuit, false}; }
  ~AwaitingName() {
    if (std::uncaught_exceptions() == unwinding_) unrecorded.reset();
  }
  AwaitingName(const AwaitingName&) = delete;
  AwaitingName& operator=(const AwaitingName&) = delete;

 private:
  const int unwinding_ = std::uncaught_exceptions();
};

void AddToHistory(const std::string& name, int32_t points, bool quit) {
  unrecorded.reset();
  QuitChosenInPause = false;
  auto record = std::make_shared<Scores>();
  record->Score = points;
  record->Timestamp = Timestamp("");
  record->Badges = Mybadges;
  record->Name = name;
  for (fn = 1; fn <= kLastBest; ++fn) record->Best[fn] = MyBest[fn];
  record->Level = GameLevel;
  record->GameMode = GameMode;
  record->GameFlags = GameFlags;
  if (quit) record->Quit = 1;
  ListAddLast(Highscores, record);
  SortList(Highscores);
}

}  // namespace

void GameOver(bool quit) {
  if (!unrecorded) unrecorded = Unrecorded{quit, true};
  // Quit chosen during the banner of a death makes it a quit, as the end of
  // play would record it.
  else if (quit) unrecorded->quit = true;
}

void GameStarts() {
  unrecorded.reset();
  QuitChosenInPause = false;
}

void RecordGameAwaitingName() {
  // Quit chosen in the pause menu: the game ends the moment it is chosen,
  // though the play frame that opened the menu hears of it only when it
  // returns.
  if (QuitChosenInPause) GameOver(true);
  if (!unrecorded) return;
  const Unrecorded game = *unrecorded;
  // MyName is the entry's name as it stands, empty when the player erased
  // it, as Enter would record it; before the entry it is the name the entry
  // begins with.
  AddToHistory(MyName, game.inPlay ? pla->score : score, game.quit);
}

void EndOfPlay() {
  // Edits still waiting for the autosave (a button held at the quit, an edit
  // in the last frame) are not lost.
  SaveUnsavedEdits();
  // From here on the game waits for its name: a run ended during the hold or
  // the name entry records it on its way out.
  const AwaitingName awaiting;
  WaitUntil(static_cast<int32_t>(static_cast<uint32_t>(MMillisecs()) + kHoldMs));
  // Esc confirms the name from here on instead of opening the pause menu.
  InGame = 0;
  GetPlayerName();
  AddToHistory(MyName, score, playstate.loopexit == kQuit);
  // Written at once, so a crash or a kill later in the run keeps the game.
  SaveScores();
}

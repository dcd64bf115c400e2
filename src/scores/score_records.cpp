#include "scores/score_records.h"

#include "game/game_state.h"
#include "platform/list.h"
#include "scores/history.h"
#include "scores/time_stamps.h"
#include "settings/startup_sequence.h"
#include "startup/globals.h"

std::string MyName = "Player";
int32_t Mybadges = 0;

int32_t GetFlag(int32_t flags, int32_t n) {
  const uint32_t shift = static_cast<uint32_t>(n - 1) & 31u;
  return static_cast<int32_t>((static_cast<uint32_t>(flags) >> shift) & 1u);
}

int32_t SetFlag(int32_t flags, int32_t n, int32_t value) {
  const uint32_t shift = static_cast<uint32_t>(n - 1) & 31u;
  const uint32_t bit = 1u << shift;
  // 1073741823 keeps the low 30 bits: the two top bits never survive.
  const uint32_t kept = static_cast<uint32_t>(flags) & (1073741823u - bit);
  return static_cast<int32_t>(kept + static_cast<uint32_t>(value) * bit);
}

std::shared_ptr<Scores> MakeScoreRecord(int32_t quit) {
  auto rec = std::make_shared<Scores>();
  rec->Score = static_cast<int64_t>(score);
  rec->Timestamp = Timestamp("");
  rec->Badges = Mybadges;
  rec->Name = MyName;
  for (int k = 1; k <= 30; ++k) rec->Best[k] = MyBest[k];
  rec->Level = GameLevel;
  rec->GameMode = GameMode;
  rec->GameFlags = GameFlags;
  rec->Quit = quit == 1 ? 1 : 0;
  return rec;
}

void RecordFinishedGame(const std::shared_ptr<Scores>& rec) {
  ListAddLast(Highscores, rec);
  SortList(Highscores);
  SaveScores();
}

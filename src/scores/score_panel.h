// The title screen's score panel for the chosen pack, level and flags: the top
// table of the best games, the history graph of the recent ones, the detail
// box of the game pointed at or held, and the pruning that keeps the history
// short.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "scores/history.h"
#include "scores/score_records.h"
#include "startup/containers.h"

// Scroll of the history graph in pixels (0 to 1000, steps of 8); larger shows
// older games.
extern int32_t fscroll;
// The held choice: 0 none, n (1 to 999) the n-th matching game of the graph,
// 1000 + r row r of the table.
extern int32_t HoldMe;
// The game shown in the detail box this frame; null for none.
extern std::shared_ptr<Scores> drawscore;
// Low 32 bits of the best matching score, 1 when no matching score is positive.
extern int32_t scaleMax;

// Games kept whatever their age: a choice keeps its 50 newest games and, of
// the older ones, those among its 25 best.
constexpr int32_t kKeptRecent = 50;
constexpr int32_t kTableSlots = 25;
constexpr int32_t kTableRows = 16;

// The whole panel, slid in by `slide` pixels from the right edge: frame,
// history graph (with pruning and scrolling), table, notice box, detail box.
void Graph(int32_t slide, int32_t wantMode, int32_t wantLevel, int32_t wantFlags);

// The steps of Graph, for callers that need one of them alone.
// HighTable[1..25]: the matching games by score, best first (among equal
// scores the newer first); also sets scaleMax.
void BuildHighTable(int32_t wantMode, int32_t wantLevel, int32_t wantFlags);
// Graph points of the matching games, newest at the right; chooses drawscore
// and HoldMe by the pointer, prunes old games, scrolls.
void DrawScoreHistory(int32_t slide, int32_t wantMode, int32_t wantLevel, int32_t wantFlags);
// The 16 table rows and, above 10 rows, the notice box at the top.
void DrawHighTable(int32_t slide);
// The detail box of drawscore, when there is one.
void DrawScoreDetail(int32_t slide);
// Height in pixels of a score's graph point over the band's bottom line:
// score * 150 / scaleMax, truncated, held within the 32-bit range.
int32_t GraphHeight(int64_t score, int32_t scale);

// The score history on disk and the title screen's score panel (its frame;
// the table and the history graph fill it).
#pragma once

#include <cstdint>
#include <string>

// The player's name for the next score: the newest stored record's name.
extern std::string MyName;
// Scroll of the history graph and the held choice (0 none).
extern int32_t fscroll;
extern int32_t HoldMe;

// Replaces Highscores by the records of the game folder's "scores.dat" (newest
// first) and takes MyName from its first record; no file changes nothing.
void LoadScores();
// Writes Highscores, newest first, to the game folder's "scores.dat"; a failed
// write keeps the previous file.
void SaveScores();
// The score panel, slid in by `slide` pixels from the right edge, for the
// games of the given pack, level and flags.
void Graph(int32_t slide, int32_t mode, int32_t level, int32_t flags);

// The score history on disk: "scores.dat" in the game folder, two text lines
// per finished game, newest first.
//   record line: Score|Name|Badges|Timestamp|Level|GameMode|GameFlags|Quit
//   Best line:   Best[1]|Best[2]|...|Best[30]
#pragma once

#include <cstdint>
#include <string>

#include "settings/debug_log.h"
#include "startup/containers.h"

// Set by LoadScores when "scores.dat" exists but could not be read (no
// permission, a folder of that name, a read error): the history in memory
// then lacks the file's games, so the file is not written again in this run.
extern bool ScoresFileUnreadable;
// "Scores not saved" on the comment ticker, once per streak of failed saves.
extern SaveFailureNotice ScoresNotSaved;

// Replaces Highscores by the records of "scores.dat" (newest first) and takes
// MyName from the file's first record line. A missing file changes nothing.
// Something of that name that cannot be read changes nothing either, but is
// logged and sets ScoresFileUnreadable. Anything else of that name (a pipe, a
// socket, a device, links in a loop) is never opened: it is logged, and
// counts as missing. Damaged lines read as far as they go.
void LoadScores();
// Writes Highscores, newest first, to "scores.dat". The file is replaced in
// one step: a write that fails part-way leaves the previous file as it was.
// A file that could not be read is left alone. Each failure is logged and
// told to the player through ScoresNotSaved; the records stay in memory for
// the next save. Returns whether the file was written.
bool SaveScores();

// The two lines of one record, each without its line end.
std::string ScoreRecordLine(const Scores& rec);
std::string ScoreBestLine(const Scores& rec);
// Text to a 64-bit integer by the game's number rule (blanks, a sign, then
// decimal digits, "$" hexadecimal or "%" binary), held at the largest or
// smallest 64-bit value when the digits run past it.
int64_t ReadLongSaturated(const std::string& text);

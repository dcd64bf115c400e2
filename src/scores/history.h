// The score history on disk: "scores.dat" in the game folder, two text lines
// per finished game, newest first.
//   record line: Score|Name|Badges|Timestamp|Level|GameMode|GameFlags|Quit
//   Best line:   Best[1]|Best[2]|...|Best[30]
#pragma once

#include <cstdint>
#include <string>

#include "startup/containers.h"

// Replaces Highscores by the records of "scores.dat" (newest first) and takes
// MyName from the file's first record line. A missing file, or a name that
// cannot be opened as a file, changes nothing. Damaged lines read as far as
// they go; nothing is reported.
void LoadScores();
// Writes Highscores, newest first, to "scores.dat". The file is replaced in
// one step: a write that fails part-way leaves the previous file as it was.
// Returns whether the file was written.
bool SaveScores();

// The two lines of one record, each without its line end.
std::string ScoreRecordLine(const Scores& rec);
std::string ScoreBestLine(const Scores& rec);
// Text to a 64-bit integer by the game's number rule (blanks, a sign, then
// decimal digits, "$" hexadecimal or "%" binary), held at the largest or
// smallest 64-bit value when the digits run past it.
int64_t ReadLongSaturated(const std::string& text);

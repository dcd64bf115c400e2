// Level files: the line rule, the reader of a level's rooms and the writer of
// the player's own level.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "level/records.h"

// The path of a level file by its name, in the levels folder of `Paths`;
// ".xml" is added unless the name ends in it in any letter case.
std::string LevelFilePath(const std::string& file);

// One line of a level file split into its tag (upper case, "" for an untagged
// line) and its value.
struct TagLine {
  std::string tag;
  std::string value;
};
TagLine ReadTag(const std::string& line);

// True for the text of a non-negative integer in its plain decimal form, the
// only form a style or backdrop number is taken in.
bool IsCanonicalNumber(const std::string& text);

// The room being filled by the reader; the last room appended.
extern std::shared_ptr<layout> room;

// Replaces `rooms` by a fresh empty room followed by the rooms of the file.
// A missing or unreadable file gives the empty room alone.
void GetLevel(const std::string& file);

// Rewrites the file of the chosen level (`Uselevel.name`) from `Uselevel`'s
// header and the rooms in memory, atomically. False when nothing could be
// written; the previous file is then left as it was.
bool SaveLevel();

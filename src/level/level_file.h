// Level files: the line rule, the reader of a level's rooms and the writer of
// the player's own level.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "level/records.h"
#include "platform/files.h"

// The most bytes a level file may hold; a larger one is not read.
// The editor writes a room in at most about 3.9 KB (every cell of its eight
// layers filled, each a run of its own under the longest kind name, and the
// widest numbers) plus its title, and the shipped levels hold 3 to 13 rooms
// in 2 to 7 KB. A mebibyte holds 269 such full rooms, or about 1900 rooms
// as full as the shipped ones. The bound is about memory: every room line
// becomes a whole room of about 1.8 KB, so a file of nothing but room lines
// (6 bytes each) costs about 300 times its size, some 300 MB at the bound.
constexpr int64_t kMaxLevelFileBytes = int64_t{1} << 20;

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

// Set by GetLevel when the level file is there but could not be read whole
// (too large, unreadable, a read error, no memory left for its rooms): the
// rooms in memory are not the file's, so SaveLevel leaves the file alone.
extern bool LevelFileUnreadable;

// True, with the file named in the log and `outcome` saying what becomes of
// it, when the level file at `path` holds more than kMaxLevelFileBytes.
bool LevelTooLarge(const std::string& path, const std::string& outcome);
// Opens a level file for reading as every reader of levels does: only a
// regular file is opened, and a file that grows past kMaxLevelFileBytes
// while it is read fails the stream there, as a read error does. Null when
// it cannot be opened.
Stream ReadLevelFile(const std::string& path);
// The log's line for a level file that is not read: `why` is what is wrong
// with it ("could not be read (out of memory)"), `outcome` what becomes of it.
void LogLevelNotRead(const std::string& path, const std::string& why, const std::string& outcome);

// Replaces `rooms` by a fresh empty room followed by the rooms of the file;
// true when the file was read whole. A missing file, and one that is there
// but could not be read whole (which the log then names), give the empty
// room alone.
bool GetLevel(const std::string& file);

// Rewrites the file of the chosen level (`Uselevel.name`) from `Uselevel`'s
// header and the rooms in memory, atomically. False when nothing could be
// written, or when the file could not be read (LevelFileUnreadable); the
// previous file is then left as it was.
bool SaveLevel();

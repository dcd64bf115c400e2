// The level browser: the level packs are the level files of the levels
// folder. At start-up they are found, the player's own level file is written
// when it is missing, each file's header becomes a `game` record, and the
// records are ordered by title in `levels`.
#pragma once

#include <memory>
#include <string>

#include "level/records.h"
#include "platform/files.h"

// The chosen level pack: the title screen points it at an entry of `levels`,
// the game plays it.
extern std::shared_ptr<game> Uselevel;
// The level cursor of the walks over `levels` (neighbours, next level) and
// the level the map screen shows.
extern std::shared_ptr<game> level;

// The player's own level is known by its title alone; the file name only
// names the file written when it is missing.
extern const std::string kYourLevelTitle;  // "xx - Your Level"
extern const std::string kMyLevelFile;     // "My Level.xml"

// The text of a fresh player level: its 35 lines joined by LF (828 bytes).
// On disk it is followed by CR LF.
const std::string& DefaultLevelText();

// Writes "My Level.xml" into the levels folder when nothing of that name is
// there; a file or a folder of that name is left alone. The file appears
// whole or not at all.
void WriteDefaultLevel();

// True for a name that ends in ".xml", the letters in any case.
bool IsLevelFileName(const std::string& name);

// Reads the header of a level file from a stream just opened on it into
// `level`: title, author, the two map points and the story. Stops after the
// first room line, the line closing the story, or the last line.
void ReadLevelHeader(const Stream& file, game& level);

// Finds the level packs: empties `levels`, makes sure the levels folder and
// the player's level file exist, reads every level file's header into a new
// record and sorts the records by title (equal titles: the file listed later
// first). Only regular files are level files; nothing else is opened. A file
// too large to be a level (kMaxLevelFileBytes), and one whose header cannot
// be read (a read error, no memory left), are left out and named in the log.
void Hunt4Levels();

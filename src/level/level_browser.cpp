#include "level/level_browser.h"

#include <array>
#include <new>

#include "level/level_file.h"
#include "platform/list.h"
#include "platform/runtime.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

// Uselevel is defined with the level model (level/play_globals.cpp).
std::shared_ptr<game> level;

const std::string kYourLevelTitle = "xx - Your Level";
const std::string kMyLevelFile = "My Level.xml";

namespace {

// The levels folder, with a trailing "/". Before the start-up has resolved
// the folders it is the one beside "Files", seen from the game folder.
std::string LevelsFolder() { return Paths.levels.empty() ? std::string("../../DuskmoorII_Levels/") : Paths.levels; }

// The player's level as it first comes: a header that explains the editor,
// and no room, so the level starts as the empty room alone.
const std::array<const char*, 35> kDefaultLines = {
    "<title>xx - Your Level</title>",
    "<author>You</author>",
    "",
    "// From and To define where Imra's little buggy goes in the map!",
    "<from>100,100</from>",
    "<to>100,100</to>",
    "",
    "<story>",
    "\tEditing levels is fun.",
    "\t",
    "\tJust hit the Spacebar to reveal",
    "\tall of the functions of the editor.",
    "\t",
    "\tDraw items with the left mousebutton",
    "\tremove them with the right mousebutton.",
    "\t",
    "\tClick on the Style and Background text",
    "\tto change the appearance of the rooms.",
    "\t",
    "\tMove around as you would in the game,",
    "\tand build up a nice big level.",
    "\t",
    "\tThe level saves while you work,",
    "\tand can be found in the levels",
    "\tfolder, titled 'My Level.xml'",
    "\t",
    "\tOnce you're done, open the file in",
    "\tyour favourite text editor,",
    "\ttweak all the info at the top,",
    "\tand then rename the file to",
    "\twhatever you see fit.",
    "\t",
    "\tYou can even change this text so that",
    "\tyour level has a little opener!",
    "</story>",
};

// A map point "x,y": both parts must be there, or the point stays as it was.
void ReadMapPoint(const std::string& value, int32_t& px, int32_t& py) {
  const int comma = Instr(value, ",");
  if (comma == 0) return;
  const std::string left = Trim(Mid(value, 1, comma - 1));
  const std::string right = Trim(Mid(value, comma + 1, 100));
  if (left.empty() || right.empty()) return;
  px = ToInt(left);
  py = ToInt(right);
}

}  // namespace

const std::string& DefaultLevelText() {
  static const std::string text = [] {
    std::string t = kDefaultLines[0];
    for (size_t i = 1; i < kDefaultLines.size(); ++i) t += std::string("\n") + kDefaultLines[i];
    return t;
  }();
  return text;
}

void WriteDefaultLevel() {
  const std::string path = LevelsFolder() + kMyLevelFile;
  // An empty file (another program's crash, a full disk) holds no level and
  // would drop the player's pack from the list, so it counts as missing.
  const int type = FileType(path);
  if (type == 2 || (type == 1 && FileSize(path) != 0)) return;
  // What else has the name (a pipe, a socket, a device, links that lead
  // nowhere) is named, and the level takes its place.
  if (type == 0 && NameTaken(path) && !ReadLevelFile(path)) {
    LogLevelNotRead(path, "could not be read (" + LastFileError() + ")",
                    "it is replaced by the level as it first comes");
  }
  // Written whole or not at all: a file cut short by a full disk would
  // otherwise count as the player's level at every later start.
  WriteFileAtomic(path, DefaultLevelText() + "\r\n");
}

bool IsLevelFileName(const std::string& name) { return Upper(Right(name, 4)) == ".XML"; }

void ReadLevelHeader(const Stream& file, game& level) {
  bool stop = false;
  bool story = false;
  bool started = false;
  while (!stop) {
    const TagLine line = ReadTag(ReadLine(file));
    const std::string& tag = line.tag;
    const std::string& value = line.value;
    if (tag == "ROOM") stop = true;
    if (Eof(file)) stop = true;
    if (tag == "TITLE") {
      level.Title = value;
      DebugLog(level.name + ">>" + level.Title);
    }
    if (tag == "AUTHOR") level.author = value;
    if (tag == "FROM") ReadMapPoint(value, level.SX, level.SY);
    if (tag == "TO") ReadMapPoint(value, level.EX, level.EY);
    if (tag == "STORY") {
      story = true;
      started = false;
    }
    if (story) {
      if (!value.empty()) started = true;
      if (tag == "/STORY") started = false;
      if (started) {
        ++level.store;
        if (level.store < 100) level.Story[level.store] = value;
      }
    }
    if (tag == "/STORY") stop = true;
  }
}

void Hunt4Levels() {
  ClearList(levels);
  const std::string folder = LevelsFolder();
  // A missing levels folder is made, so that the player's level has a home.
  if (FileType(folder) == 0) CreateDir(folder);
  WriteDefaultLevel();

  const std::string left_out = "it is left out of the list";
  const Dir dir = ReadDir(folder);
  for (;;) {
    const std::string name = NextFile(dir);
    DebugLog(name);
    if (name.empty()) break;
    if (!IsLevelFileName(name)) continue;
    const std::string path = folder + name;
    // A level too large to be played is not listed.
    if (LevelTooLarge(path, left_out)) continue;
    // Only a regular file is a level. A folder, a pipe, a socket or a device
    // with that ending is named and passed over unopened, like an unreadable
    // file: a pipe that nobody writes to would hold the start-up for good.
    const Stream file = ReadLevelFile(path);
    if (!file) {
      LogLevelNotRead(path, "could not be read (" + LastFileError() + ")", left_out);
      continue;
    }
    std::shared_ptr<game> rec;
    std::string failure;
    try {
      rec = std::make_shared<game>();
      rec->name = name;
      ReadLevelHeader(file, *rec);
      if (!StreamOk(file)) failure = LastFileError().empty() ? std::string("a read error") : LastFileError();
    } catch (const std::bad_alloc&) {
      failure = "out of memory";
    }
    CloseFile(file);
    if (!failure.empty()) {
      rec.reset();
      LogLevelNotRead(path, "could not be read (" + failure + ")", left_out);
      continue;
    }
    ListAddFirst(levels, rec);
  }
  CloseDir(dir);
  SortList(levels);
}

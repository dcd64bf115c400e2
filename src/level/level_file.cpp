#include "level/level_file.h"

#include <algorithm>
#include <new>

#include "level/play_globals.h"
#include "level/rooms.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

std::shared_ptr<layout> room;
bool LevelFileUnreadable = false;

namespace {

const char kNoValue[] = "-=-";
const char kDefaultLevelFile[] = "My Level.xml";

// Until the start-up has resolved the folders, the levels folder is the one
// beside "Files", seen from the game folder.
std::string LevelsFolder() { return Paths.levels.empty() ? std::string("../../DuskmoorII_Levels/") : Paths.levels; }

// A level file as the log names it: below the game folder relative to it
// ("DuskmoorII_Levels/big.xml"), anything else as it is.
std::string LevelLogName(const std::string& path) {
  const std::string& root = Paths.root;
  if (!root.empty() && path.size() > root.size() && path.compare(0, root.size(), root) == 0)
    return path.substr(root.size());
  return path;
}

// Splits `text` at its first `sep`: the part before it and at most 100
// characters after it, both trimmed. False when there is no `sep`.
bool SplitAt(const std::string& text, const std::string& sep, std::string& left, std::string& right) {
  const int at = Instr(text, sep);
  if (at == 0) return false;
  left = Trim(Mid(text, 1, at - 1));
  right = Trim(Mid(text, at + static_cast<int>(sep.size()), 100));
  return true;
}

enum class Expect { kNone, kTitle, kPosition, kHalf, kStyle, kGfx, kLayer };

struct ReaderState {
  bool in_room = false;
  Expect expect = Expect::kNone;
  int32_t half = -1;
  int32_t layer = -1;
};

// A run of cells of one kind in layer `layer` of half `half` of `room`.
void ReadCellLine(const std::string& value, int32_t half, int32_t layer) {
  std::string column_text, rest;
  SplitAt(value, ":", column_text, rest);
  std::string name = rest, count_text;
  SplitAt(rest, "*", name, count_text);
  const int32_t read_count = ToInt(count_text);
  const int64_t count = read_count > 0 ? read_count : 1;
  if (column_text.empty() || name.empty()) return;
  const int64_t column = ToInt(column_text);
  DebugLog("at " + column_text + " there's " + Str(count) + " x " + name);
  const int32_t kind = KindCode(name);
  if (kind == 0) return;
  // Only the part of the run inside the room is written, however long the
  // file says the run is.
  const int64_t first = std::max<int64_t>(column, 0);
  const int64_t last = std::min<int64_t>(column + count - 1, kRoomColumns - 1);
  for (int64_t c = first; c <= last; ++c) {
    const int32_t index = RoomCell(half, layer, static_cast<int32_t>(c));
    room->obj[index] = kind;
    room->objEdit[index] = kind;
  }
}

// A style or backdrop value for the current half; true when it was taken.
bool TakeHalfNumber(const ReaderState& st, const std::string& value, int32_t& top, int32_t& bottom,
                    const char* top_trace, const char* bottom_trace) {
  if (st.half != 0 && st.half != 1) return false;
  if (!IsCanonicalNumber(value)) return false;
  const int32_t v = ToInt(value);
  if (st.half == 0) {
    top = v;
    DebugLog(top_trace + Str(v));
  } else {
    bottom = v;
    DebugLog(bottom_trace + Str(v));
  }
  return true;
}

void ReadLevelLine(ReaderState& st, const TagLine& line) {
  const std::string& tag = line.tag;
  const std::string& value = line.value;
  if (tag == "ROOM") {
    st.in_room = true;
    room = std::make_shared<layout>();
    ListAddLast(rooms, room);
    room->offTop = Rand(-60, 160);
    room->offBot = Rand(-60, 160);
    st.expect = Expect::kNone;
    st.half = -1;
    st.layer = -1;
    DebugLog("");
    DebugLog("New Room");
  }
  // The header before the first room is the level browser's business.
  if (!st.in_room) return;

  if (tag == "TITLE") st.expect = Expect::kTitle;
  if (st.expect == Expect::kTitle) {
    room->title = value;
    st.expect = Expect::kNone;
    DebugLog(value);
  }

  if (tag == "POSITION") st.expect = Expect::kPosition;
  if (st.expect == Expect::kPosition) {
    std::string left, right;
    if (SplitAt(value, ",", left, right) && !left.empty() && !right.empty()) {
      room->roomx = ToInt(left);
      room->roomy = ToInt(right);
      DebugLog("Room at : " + left + ":" + right);
    }
  }

  if (tag == "TOP" || tag == "BOTTOM") {
    st.expect = Expect::kHalf;
    st.half = tag == "TOP" ? 0 : 1;
    st.layer = -1;
    DebugLog("");
    DebugLog(st.half == 0 ? "Upside" : "Downside");
  }

  if (tag == "STYLE") st.expect = Expect::kStyle;
  if (st.expect == Expect::kStyle &&
      TakeHalfNumber(st, value, room->StyleTop, room->StyleBot, "Top_Style : ", "Bot_Style : ")) {
    st.expect = Expect::kNone;
  }

  if (tag == "GFX") st.expect = Expect::kGfx;
  if (st.expect == Expect::kGfx &&
      TakeHalfNumber(st, value, room->BGTop, room->BGBot, "Top_Gfx : ", "Bot_Gfx : ")) {
    st.expect = Expect::kNone;
  }

  if (tag == "LAYER") {
    st.expect = Expect::kLayer;
    // Stops counting past the fourth layer: anything beyond it is ignored anyway.
    if (st.layer < 4) ++st.layer;
  }
  if (st.expect == Expect::kLayer && !value.empty() && st.layer >= 0 && st.layer <= 3 &&
      (st.half == 0 || st.half == 1)) {
    ReadCellLine(value, st.half, st.layer);
  }
}

// ---- writing ------------------------------------------------------------------

void Line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

bool IsBlankRoom(const layout& r) {
  if (r.StyleTop != 1 || r.StyleBot != 2 || r.BGTop != 1 || r.BGBot != 0) return false;
  // A titled room is kept even while it holds nothing yet.
  if (!r.title.empty()) return false;
  return std::all_of(r.objEdit.begin(), r.objEdit.end(), [](int32_t v) { return v == 0; });
}

void WriteLayer(std::string& out, const layout& r, int32_t half, int32_t layer) {
  int32_t prev = 0;
  int32_t run = 0;
  int32_t run_start = 0;
  bool opened = false;
  // Columns 23 and 24 are always empty, so every run of items ends by then.
  for (int32_t column = 0; column < 25; ++column) {
    const int32_t v = r.objEdit[RoomCell(half, layer, column)];
    if (v == prev) {
      ++run;
    } else {
      if (!opened) {
        Line(out, "\t\t<layer>");
        opened = true;
      }
      if (prev > 0) {
        std::string text = "\t\t\t" + Str(run_start) + ":" + KindName(prev);
        if (run > 1) text += "*" + Str(run);
        Line(out, text);
      }
      run = 1;
      run_start = column;
    }
    prev = v;
  }
  Line(out, opened ? "\t\t</layer>" : "\t\t<layer></layer>");
}

void WriteHalf(std::string& out, const layout& r, int32_t half) {
  Line(out, half == 0 ? "\t<top>" : "\t<bottom>");
  Line(out, "\t\t<style>" + Str(half == 0 ? r.StyleTop : r.StyleBot) + "</style>");
  Line(out, "\t\t<gfx>" + Str(half == 0 ? r.BGTop : r.BGBot) + "</gfx>");
  for (int32_t layer = 0; layer < 4; ++layer) WriteLayer(out, r, half, layer);
  Line(out, half == 0 ? "\t</top>" : "\t</bottom>");
}

std::string LevelText(const game& header) {
  std::string out;
  Line(out, "<title>" + header.Title + "</title>");
  Line(out, "<author>" + header.author + "</author>");
  Line(out, "");
  Line(out, "// From and To define where Imra's little buggy goes in the map!");
  Line(out, "<from>" + Str(header.SX) + "," + Str(header.SY) + "</from>");
  Line(out, "<to>" + Str(header.EX) + "," + Str(header.EY) + "</to>");
  Line(out, "");
  Line(out, "<story>");
  const int32_t lines = std::min<int32_t>(header.store, 99);
  for (int32_t i = 1; i <= lines; ++i) Line(out, "\t" + header.Story[i]);
  Line(out, "</story>");
  Line(out, "");
  for (const auto& r : rooms) {
    room = r;
    if (r == EmptyRoom || IsBlankRoom(*r)) continue;
    Line(out, "<room>");
    Line(out, "\t<title>" + r->title + "</title>");
    Line(out, "\t<position>" + Str(r->roomx) + "," + Str(r->roomy) + "</position>");
    WriteHalf(out, *r, 0);
    WriteHalf(out, *r, 1);
    Line(out, "</room>");
  }
  return out;
}

}  // namespace

std::string LevelFilePath(const std::string& file) {
  std::string name = file;
  if (Upper(Right(name, 4)) != ".XML") name += ".xml";
  return LevelsFolder() + name;
}

TagLine ReadTag(const std::string& raw) {
  const std::string line = Trim(raw);
  TagLine out;
  const int a = Instr(line, "<");
  if (a != 0) {
    const int b = Instr(line, ">");
    out.tag = Upper(b > a ? Mid(line, a + 1, b - a - 1) : Mid(line, a + 1));
    const int c = Instr(line, "</");
    out.value = c > b + 1 ? Trim(Mid(line, b + 1, c - b - 1)) : std::string(kNoValue);
  }
  if (out.value.empty()) out.value = line;
  if (out.value == kNoValue) out.value.clear();
  return out;
}

bool IsCanonicalNumber(const std::string& text) {
  const int32_t v = ToInt(text);
  return v >= 0 && Str(v) == text;
}

bool LevelTooLarge(const std::string& path, const std::string& outcome) {
  const int64_t size = FileSize(path);
  if (size <= kMaxLevelFileBytes) return false;
  LogLevelNotRead(path, "is too large (" + Str(size) + " bytes, a level holds at most " + Str(kMaxLevelFileBytes) + ")",
                  outcome);
  return true;
}

Stream ReadLevelFile(const std::string& path) { return ReadRegularFile(path, kMaxLevelFileBytes); }

void LogLevelNotRead(const std::string& path, const std::string& why, const std::string& outcome) {
  Debug("\t" + LevelLogName(path) + " " + why + ": " + outcome);
}

bool GetLevel(const std::string& file) {
  ClearList(rooms);
  leveltick = 0;
  EmptyRoom = NewBlankRoom();
  ListAddLast(rooms, EmptyRoom);
  room = EmptyRoom;
  LevelFileUnreadable = false;

  const std::string path = LevelFilePath(file);
  // A folder, a pipe or a device of that name reads as a missing file.
  if (FileType(path) != 1) return false;
  const std::string outcome = "its rooms are not read, and it is not written in this run";
  LevelFileUnreadable = true;
  if (LevelTooLarge(path, outcome)) return false;
  Stream in = ReadLevelFile(path);
  if (!in) {
    LogLevelNotRead(path, "could not be read (" + LastFileError() + ")", outcome);
    return false;
  }
  std::string failure;
  try {
    ReaderState st;
    do {
      ReadLevelLine(st, ReadTag(ReadLine(in)));
    } while (!Eof(in));
    if (!StreamOk(in)) failure = LastFileError().empty() ? std::string("a read error") : LastFileError();
  } catch (const std::bad_alloc&) {
    // Each room line takes a whole room, so a level can take far more memory
    // than its file; the game goes on without it.
    failure = "out of memory";
  }
  CloseFile(in);
  if (!failure.empty()) {
    // The rooms read go before anything else is done: they may be what took
    // the memory.
    ClearList(rooms);
    ListAddLast(rooms, EmptyRoom);
    room = EmptyRoom;
    LogLevelNotRead(path, "could not be read (" + failure + ")", outcome);
    return false;
  }
  LevelFileUnreadable = false;
  return true;
}

bool SaveLevel() {
  if (!Uselevel) return false;
  // Its rooms were never read: writing what is in memory would lose them.
  if (LevelFileUnreadable) return false;
  const std::string text = LevelText(*Uselevel);
  const std::string name = Uselevel->name.empty() ? std::string(kDefaultLevelFile) : Uselevel->name;
  return WriteFileAtomic(LevelFilePath(name), text);
}

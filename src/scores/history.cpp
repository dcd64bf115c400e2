#include "scores/history.h"

#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/utils.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/runtime.h"
#include "scores/score_records.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

bool ScoresFileUnreadable = false;
SaveFailureNotice ScoresNotSaved("Scores not saved");

namespace {

// The absolute value; the lowest 32-bit value stays as it is.
int32_t Abs32(int32_t v) { return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v; }

std::string ScoresPath() { return Paths.game + "scores.dat"; }

std::string Field(const std::string& line, int32_t k) { return SplitText(line, "|", k, 0); }

}  // namespace

int64_t ReadLongSaturated(const std::string& text) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && static_cast<unsigned char>(text[i]) <= 32) ++i;
  bool neg = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    neg = text[i] == '-';
    ++i;
  }
  uint64_t base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < n && text[i] == '%') {
    base = 2;
    ++i;
  }
  // The magnitude is held at 2^63, the most a negative value can take.
  constexpr uint64_t kCap = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
  uint64_t mag = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    uint64_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint64_t>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<uint64_t>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<uint64_t>(c - 'A' + 10);
    else break;
    if (digit >= base) break;
    if (mag > (kCap - digit) / base) mag = kCap;
    else mag = mag * base + digit;
  }
  if (neg) return mag >= kCap ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(mag);
  return mag >= kCap ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(mag);
}

std::string ScoreRecordLine(const Scores& rec) {
  return Str(rec.Score) + "|" + rec.Name + "|" + Str(rec.Badges) + "|" + Str(rec.Timestamp) + "|" +
         Str(rec.Level) + "|" + Str(rec.GameMode) + "|" + Str(rec.GameFlags) + "|" + Str(rec.Quit);
}

std::string ScoreBestLine(const Scores& rec) {
  std::string out;
  for (int k = 1; k <= 30; ++k) {
    if (k > 1) out += "|";
    out += Str(rec.Best[k]);
  }
  return out;
}

namespace {

// Reads every record of the history file into `read`; false, with the
// reason, when the file could not be read to its end.
bool ReadHistoryFile(std::vector<std::shared_ptr<Scores>>& read, std::string& why) {
  // Only a regular file is opened: a pipe put in its place meanwhile would
  // hold the start-up for good.
  Stream s = ReadRegularFile(ScoresPath());
  try {
    if (s) {
      do {
        const std::string line = ReadLine(s);
        if (Instr(line, "|") > 0) {
          auto rec = std::make_shared<Scores>();
          rec->Score = ReadLongSaturated(Field(line, 1));
          rec->Name = Trim(Field(line, 2));
          rec->Badges = Abs32(ToInt(Field(line, 3)));
          rec->Timestamp = ReadLongSaturated(Field(line, 4));
          rec->Level = Abs32(ToInt(Field(line, 5)));
          rec->GameMode = Abs32(ToInt(Field(line, 6)));
          rec->GameFlags = Abs32(ToInt(Field(line, 7)));
          rec->Quit = Abs32(ToInt(Field(line, 8)));
          const std::string best = ReadLine(s);
          for (int32_t k = 1; k <= 30; ++k) rec->Best[k] = Abs32(ToInt(Field(best, k)));
          read.push_back(rec);
        }
      } while (!Eof(s));
    }
  } catch (const std::bad_alloc&) {
    // Every damaged line with a bar in it is a game of its own, so a large
    // damaged file can hold more games than there is memory for: what was
    // read goes, and the file counts as unreadable.
    std::vector<std::shared_ptr<Scores>>().swap(read);
    CloseFile(s);
    why = "out of memory";
    return false;
  }
  const bool ok = StreamOk(s);
  if (!ok) why = LastFileError();
  CloseFile(s);
  return ok;
}

}  // namespace

void LoadScores() {
  ScoresFileUnreadable = false;
  if (FileType(ScoresPath()) == 0) {
    // Anything but a file or a folder under the name (a pipe, a socket, a
    // device, links that lead round in a loop) counts as missing, and is
    // named; the history is then saved in its place.
    if (NameTaken(ScoresPath())) NoteLoad(0, ScoresPath(), "a score history");
    return;
  }
  // The records are taken only once the whole file has been read: a file
  // that cannot be read leaves the history as it was.
  std::vector<std::shared_ptr<Scores>> read;
  std::string why;
  if (!ReadHistoryFile(read, why)) {
    ScoresFileUnreadable = true;
    Debug("\t" + LogName(ScoresPath()) + " could not be read (" + why + "): it will not be written in this run");
    return;
  }
  ClearList(Highscores);
  for (const auto& rec : read) ListAddLast(Highscores, rec);
  if (!read.empty()) MyName = read.front()->Name;
  // The sort is stable and the records came in file order, so one sort at the
  // end orders them as a sort after every line would.
  SortList(Highscores);
}

bool SaveScores() {
  SortList(Highscores);
  if (ScoresFileUnreadable) {
    ScoresNotSaved.Failed("Scores not saved: " + LogName(ScoresPath()) +
                          " could not be read at start and is left as it is");
    return false;
  }
  std::string out;
  for (const auto& rec : Highscores) {
    out += ScoreRecordLine(*rec) + "\r\n";
    out += ScoreBestLine(*rec) + "\r\n";
  }
  if (!WriteFileAtomic(ScoresPath(), out)) {
    ScoresNotSaved.Failed("Scores not saved: " + LogName(ScoresPath()) + " could not be written (" +
                          LastFileError() + ")");
    return false;
  }
  ScoresNotSaved.Succeeded();
  return true;
}

// Song rule files: the candidate lines for drums, chords, bass, melody and
// accompaniment that the pattern generation picks from.
#include "music/generator.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "startup/globals.h"

namespace {

// The section a header names, or -1 when it names none.
int32_t HeaderSection(const std::string& line) {
  const std::string name = Replace(Upper(line), "]", "");
  static const char* const kHeaders[kQrdmTracks] = {"[DRUMS", "[CHORDS", "[BASS", "[MELODY", "[ACCOMPANY"};
  for (int32_t s = 0; s < kQrdmTracks; ++s) {
    if (name == kHeaders[s]) return s;
  }
  return -1;
}

// Only the line's ending counts; whatever separates it from the word does not.
void ReadStretch(const std::string& line, int32_t section) {
  const std::string u = Upper(line);
  int32_t& mode = QRDM_Stretch[static_cast<size_t>(section)];
  if (Right(u, 5) == "FALSE") {
    mode = 0;
  } else if (Right(u, 6) == "RANDOM") {
    mode = 1;
  } else if (Right(u, 7) == "RANDOM+") {
    mode = 2;
  } else if (Right(u, 6) == "DOUBLE") {
    mode = -2;
  }
}

void ReadEntry(const std::string& line, int32_t section) {
  int32_t& count = QRDM_Many[static_cast<size_t>(section)];
  if (count == INT32_MAX) return;
  ++count;
  // Entries past the section's room are counted but not kept.
  if (count <= kQrdmMaxEntries) QRDM_Set[static_cast<size_t>(section * 1000 + count)] = Replace(line, "\"", "");
}

}  // namespace

namespace {

void ClearRules() {
  for (int32_t s = 0; s < kQrdmTracks; ++s) {
    QRDM_Many[static_cast<size_t>(s)] = 0;
    QRDM_Stretch[static_cast<size_t>(s)] = -1;
  }
}

}  // namespace

bool QRDM_ReadRules(const std::string& path) {
  ClearRules();
  const Stream in = ReadRegularFile(path);
  if (!in) return false;
  int32_t section = -1;  // nothing is taken before the first known header
  do {
    const std::string line = Trim(ReadLine(in));
    if (line.empty()) continue;
    if (line[0] == '[') {
      const int32_t named = HeaderSection(line);
      if (named >= 0) section = named;
    } else if (Upper(Left(line, 7)) == "STRETCH") {
      if (section >= 0) ReadStretch(line, section);
    } else if (line[0] == '"') {
      if (section >= 0) ReadEntry(line, section);
    }
  } while (!Eof(in));
  // Half a rule file would play half a tune: a read that failed part-way
  // counts as no file at all.
  const bool whole = StreamOk(in);
  CloseFile(in);
  if (!whole) ClearRules();
  return whole;
}

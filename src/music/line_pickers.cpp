// Line pickers: each song section takes one entry of every rule section,
// drawn reproducibly from the song seed and the song position.
#include <algorithm>

#include "music/generator.h"
#include "music/song_math.h"
#include "platform/runtime.h"
#include "startup/globals.h"

namespace {

enum RuleSection : int32_t { kDrums = 0, kChords = 1, kBass = 2, kMelody = 3, kAccompany = 4 };

// The draws that every picker makes, in their order: the reseed, the discarded
// draws, the entry draw and (when it stretches) the stretch draw.
std::string Pick(int32_t section, int32_t offset, bool stretches) {
  QrdmReseed(offset);
  // The discards grow with the song, so that the same offset at a later
  // position lands elsewhere in the sequence.
  const int64_t discards = static_cast<int64_t>(QRDM_SongAt) * 4 + offset;
  for (int64_t i = 0; i < discards; ++i) Rand(0, 1000);

  const int32_t count = QRDM_Many[static_cast<size_t>(section)];
  // Only the entries kept are drawn among; an empty section gives an empty
  // line rather than an entry an earlier song left behind.
  const int32_t n = Rand(1, std::min(count, kQrdmMaxEntries));
  std::string line;
  if (count > 0 && n >= 1 && n <= kQrdmMaxEntries) line = QRDM_Set[static_cast<size_t>(section * 1000 + n)];
  if (!stretches) return line;

  const int32_t d = Rand(0, 2);
  const int32_t mode = QRDM_Stretch[static_cast<size_t>(section)];
  if ((mode > 0 && d > 0) || mode < 0) line = QRDM_StretchLine(line);
  if ((mode == 2 && d == 2) || mode == -2) line = QRDM_StretchLine(line);
  return line;
}

}  // namespace

void QrdmReseed(int32_t offset) {
  SeedRnd(QrdmWrapAdd(QrdmWrapAdd(QrdmWrapAdd(QrdmSeedBase(QRDM_SongSeed), QRDM_PatternAt), QRDM_SongAt), offset));
}

std::string QRDM_StretchLine(const std::string& line) {
  std::string out;
  out.reserve(line.size() * 2);
  for (char c : line) {
    out += c;
    out += ' ';
  }
  return out;
}

std::string QRDM_Chords(int32_t offset) { return Pick(kChords, offset, false); }
std::string QRDM_DrumLoop(int32_t offset) { return Pick(kDrums, offset, true); }
std::string QRDM_BassRhythm(int32_t offset) { return Pick(kBass, offset, true); }
std::string QRDM_MelodyTune(int32_t offset) { return Pick(kMelody, offset, true); }
std::string QRDM_AccompanyTune(int32_t offset) { return Pick(kAccompany, offset, true); }

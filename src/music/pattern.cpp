// Pattern generation: the next 64 rows of the five tracks, and at each song
// section's start its variants, chord line, mute plan and lines.
#include "music/generator.h"
#include "music/song_math.h"
#include "platform/runtime.h"
#include "startup/globals.h"

namespace {

void StartSection() {
  // Variants first: these are the first draws after the pattern's reseed.
  for (size_t i = 1; i <= 3; ++i) QRDM_PatternUse[i] = Rand(1, QRDM_PatternHave[i]);
  QRDM_PatternAt = 1;
  QRDM_Chord = QRDM_Chords(13);

  // The mute plan is drawn a section ahead, so that a track coming back can
  // enter before the section changes.
  for (size_t i = 0; i < QRDM_Mute.size(); ++i) {
    QRDM_Mute[i] = QRDM_MuteAhead[i];
    QRDM_MuteAhead[i] = Rand(0, 1);
    QRDM_MuteAheadGo[i] = Rand(1, 2);
  }
  // Always one drum track, and always the bass or the lead.
  if (QRDM_Mute[0] == 1 && QRDM_Mute[1] == 1) QRDM_Mute[static_cast<size_t>(Rand(0, 1))] = 0;
  if (QRDM_Mute[2] != 0 && QRDM_Mute[3] != 0) QRDM_Mute[static_cast<size_t>(Rand(2, 3))] = 0;

  // The chord and bass pickers share their offset, so with equally long
  // sections they pick the same entry number.
  QRDM_DrumloopA = QRDM_DrumLoop(3);
  QRDM_DrumloopB = QRDM_DrumLoop(7);
  QRDM_BassBeat = QRDM_BassRhythm(13);
  QRDM_MelodyBeat = QRDM_MelodyTune(19);
  QRDM_MelodyBeatB = QRDM_AccompanyTune(29);
}

float DrumValue(char c) { return c >= '0' && c <= '9' ? static_cast<float>(c - '0') : 0.0f; }

}  // namespace

int32_t QRDM_NextPattern() {
  QrdmReseed(0);
  QRDM_SongAt = QrdmWrapAdd(QRDM_SongAt, 1);
  QRDM_PatternAt = QrdmWrapAdd(QRDM_PatternAt, 1);

  if (QRDM_Chord.empty() || static_cast<int64_t>(QRDM_PatternAt) > static_cast<int64_t>(QRDM_Chord.size() / 4)) {
    StartSection();
  }

  const std::string* drums[2] = {&QRDM_DrumloopA, &QRDM_DrumloopB};
  const std::string* tunes[3] = {&QRDM_BassBeat, &QRDM_MelodyBeat, &QRDM_MelodyBeatB};
  // Drum lines restart with every pattern; the tunes run on across the
  // patterns of a section.
  const int64_t tuneStart = (static_cast<int64_t>(QRDM_PatternAt) - 1) * kQrdmRows;
  for (int32_t r = 0; r < kQrdmRows; ++r) {
    for (int32_t t = 0; t < kQrdmTracks; ++t) {
      float& cell = QRDM_Pattern[static_cast<size_t>(t * kQrdmTrackStride + r)];
      // A track without a line is silent for the section.
      cell = 0.0f;
      if (t < 2) {
        const std::string& line = *drums[t];
        if (!line.empty()) cell = DrumValue(line[static_cast<size_t>(r) % line.size()]);
      } else {
        const std::string& line = *tunes[t - 2];
        if (line.empty()) continue;
        const int64_t len = static_cast<int64_t>(line.size());
        int64_t pos = (r + tuneStart) % len;
        if (pos < 0) pos += len;
        const char c = line[static_cast<size_t>(pos)];
        if (c != ' ') cell = QRDM_NoteVal(std::string(1, c));
      }
    }
  }
  return 0;
}

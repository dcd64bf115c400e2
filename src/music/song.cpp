// Song start and stereo width. A song is started by name from its rule file;
// every draw of it follows from its seed.
#include "music/generator.h"
#include "music/song_math.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

int32_t QRDM_StartSong(int32_t seed, int32_t tempo) {
  if (seed == -1) seed = MilliSecs();
  SeedRnd(QrdmSeedBase(seed));
  QRDM_SongSeed = seed;
  QRDM_StereoSeperation = 0.3f;
  QRDM_Chord.clear();
  QRDM_SongAt = -1;
  QRDM_PatternAt = -1;
  QRDM_RowAt = -1;
  QRDM_Tempo = tempo / 2;
  // The first section's mute plan: the first draws after the seeding.
  for (int32_t& ahead : QRDM_MuteAhead) ahead = Rand(0, 1);
  QRDM_NextPattern();
  QRDM_BeatAt = QrdmWrapAdd(MilliSecs(), 250);
  QRDM_Playing = 1;
  return 0;
}

int32_t QRDM_NewSong(const std::string& name, int32_t seed, int32_t tempo) {
  const std::string rules = Paths.game + "music/" + name + ".ini";
  if (!QRDM_ReadRules(rules)) return NoteLoad(0, rules, "song rules");
  return QRDM_StartSong(seed, tempo);
}

int32_t QRDM_Pan(float separation) {
  QRDM_StereoSeperation = separation;
  return 0;
}

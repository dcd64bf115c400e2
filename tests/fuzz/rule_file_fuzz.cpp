// Fuzz target for the song rule-file reader: any bytes read as a rule file must
// load without harm, and a song started from whatever loaded must build its
// patterns without fault, whatever sections or entries are missing.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "music/generator.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

// The debug log, which only hears of a rule file that is missing, stays out
// of the reader under test.
int32_t NoteLoad(int32_t handle, const std::string&, const std::string&) { return handle; }

namespace {

std::string& RulePath() {
  static std::string path;
  return path;
}

void Setup() {
  std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/duskmoor-rules-XXXXXX" : "/tmp/duskmoor-rules-XXXXXX";
  if (!mkdtemp(dir.data())) abort();
  RulePath() = dir + "/song.ini";
  static std::string folder = dir;
  atexit([] { std::filesystem::remove_all(folder); });
  // Variants present for some instruments and not for others.
  QRDM_PatternHave = {0, 8, 0, 3, 0};
}

void Check(bool ok, const char* what) {
  if (ok) return;
  fprintf(stderr, "%s\n", what);
  abort();
}

bool IsNoteValue(float v) {
  if (v == 0.0f) return true;
  for (char c : std::string("sxdcvgbhnjmq2w3er5t6y7ui9o0p[=]")) {
    if (QRDM_NoteVal(std::string(1, c)) == v) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  FILE* f = fopen(RulePath().c_str(), "wb");
  if (!f) abort();
  if (size > 0 && fwrite(data, 1, size, f) != size) abort();
  fclose(f);

  Check(QRDM_ReadRules(RulePath()), "rule file not read");
  for (size_t s = 0; s < 5; ++s) {
    Check(QRDM_Many[s] >= 0, "negative entry count");
    const int32_t mode = QRDM_Stretch[s];
    Check(mode >= -2 && mode <= 2, "unknown stretch mode");
  }

  QRDM_StartSong(static_cast<int32_t>(size * 2654435761u), 250);
  for (int pattern = 0; pattern < 6; ++pattern) {
    if (pattern > 0) QRDM_NextPattern();
    Check(QRDM_PatternAt >= 1, "pattern position before the section");
    for (int r = 0; r < kQrdmRows; ++r) {
      for (int t = 0; t < kQrdmTracks; ++t) {
        const float v = QRDM_Pattern[static_cast<size_t>(t * kQrdmTrackStride + r)];
        if (t < 2) {
          Check(v >= 0.0f && v <= 9.0f && v == std::floor(v), "drum value out of range");
        } else {
          Check(IsNoteValue(v), "melodic value that is no note");
        }
      }
    }
    for (size_t i = 1; i <= 3; ++i) {
      const int32_t have = QRDM_PatternHave[i];
      Check(QRDM_PatternUse[i] >= 0 && QRDM_PatternUse[i] <= (have > 0 ? have : 1), "variant out of range");
    }
  }
  return 0;
}

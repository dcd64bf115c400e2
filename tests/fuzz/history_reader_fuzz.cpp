// Fuzz target for the score history reader: any bytes read as "scores.dat"
// must load without harm, and whatever loads must save and load again to the
// same records, and save again to the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/files.h"
#include "platform/list.h"
#include "scores/history.h"
#include "startup/containers.h"
#include "startup/globals.h"

// The few globals the reader touches, without the rest of the game.
GamePaths Paths;
List<Scores> Highscores;
std::string MyName = "Player";
int32_t mx, my, wx, wy;
// The debug log (its notes of files that would not load among it) and the
// comment ticker, which only hear of failed reads and saves, stay out of the
// reader under test.
int32_t Debug(const std::string&) { return 0; }
int32_t NoteLoad(int32_t handle, const std::string&, const std::string&) { return handle; }
std::string LogName(const std::string& path) { return path; }
void SaveFailureNotice::Failed(const std::string&) { failing_ = true; }

namespace {

struct Flat {
  int64_t Score, Timestamp;
  int32_t Badges;
  std::string Name;
  std::array<int32_t, 31> Best;
  int32_t Level, GameMode, GameFlags, Quit;
  bool operator==(const Flat&) const = default;
};

std::vector<Flat> Records() {
  std::vector<Flat> out;
  for (const auto& r : Highscores) {
    out.push_back({r->Score, r->Timestamp, r->Badges, r->Name, r->Best, r->Level, r->GameMode, r->GameFlags, r->Quit});
  }
  return out;
}

std::string FileBytes(const std::string& path) {
  std::string bytes;
  ReadWholeFile(path, bytes);
  return bytes;
}

void Setup() {
  // Every save is flushed to disk; a memory-backed folder keeps that cheap.
  std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/duskmoor-scores-XXXXXX" : "/tmp/duskmoor-scores-XXXXXX";
  if (!mkdtemp(dir.data())) abort();
  Paths.game = dir + "/";
  atexit([] { std::filesystem::remove_all(Paths.game); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  const std::string path = Paths.game + "scores.dat";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size > 0 && fwrite(data, 1, size, f) != size) abort();
  fclose(f);

  ClearList(Highscores);
  LoadScores();
  const std::vector<Flat> first = Records();
  const std::string name = MyName;

  if (!SaveScores()) abort();
  const std::string written = FileBytes(path);
  ClearList(Highscores);
  LoadScores();
  if (Records() != first) {
    fprintf(stderr, "records changed by a save and reload\n");
    abort();
  }
  // The name comes from the first record, which stays first.
  if (!first.empty() && MyName != first.front().Name) {
    fprintf(stderr, "name not taken from the newest record\n");
    abort();
  }
  if (first.empty() && MyName != name) abort();
  if (!SaveScores()) abort();
  if (FileBytes(path) != written) {
    fprintf(stderr, "second save differs\n");
    abort();
  }
  return 0;
}

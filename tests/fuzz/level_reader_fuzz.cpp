// Fuzz target for the level reader: any bytes read as a level file must load
// without harm, and whatever loads must save and load again to the same rooms.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "level/level_file.h"
#include "level/play_globals.h"
#include "level/rooms.h"
#include "platform/files.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

// The start-up's folder table, without the rest of the start-up.
GamePaths Paths;

// The debug log, without the rest of the game: its lines go nowhere.
int32_t Debug(const std::string&) { return 0; }

namespace {

struct Saved {
  int32_t roomx, roomy, StyleTop, StyleBot, BGTop, BGBot;
  std::array<int32_t, kRoomCells> cells;
  bool operator==(const Saved&) const = default;
};

// The rooms the writer keeps: all but the empty room and untitled blank rooms.
std::vector<Saved> KeptRooms() {
  std::vector<Saved> out;
  for (const auto& r : rooms) {
    if (r == EmptyRoom) continue;
    bool blank = r->StyleTop == 1 && r->StyleBot == 2 && r->BGTop == 1 && r->BGBot == 0 && r->title.empty();
    for (int32_t v : r->objEdit) blank = blank && v == 0;
    if (blank) continue;
    out.push_back({r->roomx, r->roomy, r->StyleTop, r->StyleBot, r->BGTop, r->BGBot, r->objEdit});
  }
  return out;
}

void Setup() {
  // Every save is flushed to disk; a memory-backed folder keeps that cheap.
  std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/duskmoor-fuzz-XXXXXX" : "/tmp/duskmoor-fuzz-XXXXXX";
  if (!mkdtemp(dir.data())) abort();
  Paths.levels = dir + "/";
  atexit([] { std::filesystem::remove_all(Paths.levels); });
  MakeObjectKinds();
  Uselevel = std::make_shared<game>();
  Uselevel->name = "saved.xml";
  Uselevel->Title = "xx - Your Level";
  pla = std::make_shared<ect>();
  ListAddLast(objects, pla);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  FILE* f = fopen((Paths.levels + "input.xml").c_str(), "wb");
  if (!f) abort();
  if (size > 0 && fwrite(data, 1, size, f) != size) abort();
  fclose(f);
  GetLevel("input.xml");
  const std::vector<Saved> first = KeptRooms();

  // Walk into every room, in the editor, as the game would.
  editmode = 1;
  for (const auto& r : rooms.ToVector()) {
    pla->roomx = r->roomx;
    pla->roomy = r->roomy;
    MyRoom();
    AddaRoom();
  }

  // The rooms as read survive a save and a second read unchanged.
  GetLevel("input.xml");
  if (!SaveLevel()) abort();
  GetLevel("saved.xml");
  if (KeptRooms() != first) {
    fprintf(stderr, "level changed by a save and reload\n");
    abort();
  }
  return 0;
}

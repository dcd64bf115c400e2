// Instrument samples of the music generator, loaded at every display opening.
#include "framework/handles.h"
#include "music/generator.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

namespace {

// A variant file that is present replaces its slot and raises the highest
// variant found; one that is missing leaves both as they were. Anything but a
// file under its name (a folder, a pipe, a device) counts as missing, and is
// named in the log.
void LoadVariant(const std::string& path, int32_t n, int32_t kind) {
  if (FileType(path) != 1) {
    if (NameTaken(path)) NoteLoad(0, path, "a sound");
    return;
  }
  QRDM_PatternHave[static_cast<size_t>(kind)] = n;
  TakeSound(QRDM_inst[static_cast<size_t>(kind * 10 + 10 + n)], LoadSoundLogged(path, 0));
}

}  // namespace

int32_t QRDM_Load() {
  const std::string music = Paths.game + "music/";
  for (int32_t n = 1; n <= 8; ++n) {
    const std::string num = Str(n);
    // The drum kits are always loaded: a missing drum leaves its slot empty.
    TakeSound(QRDM_inst[static_cast<size_t>(n)], LoadSoundLogged(music + "d1-" + num + ".wav", 0));
    TakeSound(QRDM_inst[static_cast<size_t>(10 + n)], LoadSoundLogged(music + "d2-" + num + ".wav", 0));
    LoadVariant(music + "bass" + num + ".wav", n, 1);
    LoadVariant(music + "lead" + num + ".wav", n, 2);
    LoadVariant(music + "accompany" + num + ".wav", n, 3);
  }
  return 0;
}

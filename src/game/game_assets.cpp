#include "game/game_assets.h"

#include "framework/handles.h"
#include "framework/speedtest.h"
#include "music/generator.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "title/title.h"

int32_t gfx = 0;
int32_t gfxf = 0;
int32_t map_I = 0;
int32_t mapb_I = 0;
int32_t tune2 = 0;

std::string StyleFileName(int32_t style) { return "bg" + Right("000" + Str(style), 3) + ".png"; }

void LoadGame() {
  AimFor(60, 2);
  QRDM_Load();

  const std::string& folder = Paths.game;
  // A style number without a file keeps what it had, so numbers may be
  // missing; the editor steps through 1 to `styles`.
  for (int32_t style = 1; style <= kLastStyle; ++style) {
    const std::string path = folder + StyleFileName(style);
    if (FileType(path) == 0) {
      // Anything but a file or a folder under the name (a pipe, a socket, a
      // device) counts as missing, and is named, as a sound is.
      if (NameTaken(path)) NoteLoad(0, path, "a picture");
      continue;
    }
    styles = style;
    TakeImage(BG[style], LoadAnimImageLogged(path, 160, 64, 0, 2, MASKEDIMAGE));
    TakeImage(BG_bit[style], LoadAnimImageLogged(path, 8, 64, 0, 80, MASKEDIMAGE));
  }

  TakeImage(gfx, LoadAnimImageLogged(folder + "gfx.png", 8, 16, 0, 512, MASKEDIMAGE));
  TakeImage(gfxf, LoadAnimImageLogged(folder + "gfx.png", 8, 16, 0, 512, MASKEDIMAGE | FILTEREDIMAGE));
  TakeImage(gamelogo, LoadImageLogged(folder + "logo.png", MASKEDIMAGE));
  TakeImage(gamelogob, LoadImageLogged(folder + "logob.png", MASKEDIMAGE | FILTEREDIMAGE));
  TakeImage(map_I, LoadImageLogged(folder + "map.png", MASKEDIMAGE));
  TakeImage(mapb_I, LoadImageLogged(folder + "mapB.png", MASKEDIMAGE | FILTEREDIMAGE));
  TakeSound(tune, LoadSoundLogged(folder + "Theme.ogg", 0));
  TakeSound(tune2, LoadSoundLogged(folder + "Map.ogg", 0));
}

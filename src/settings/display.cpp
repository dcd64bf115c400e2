#include "settings/display.h"

#include <string>

#include "framework/pump.h"
#include "game/game_assets.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "settings/common_assets.h"
#include "settings/debug_log.h"
#include "settings/farewell.h"
#include "startup/globals.h"

int32_t ChangingRes = 0;

namespace {

const std::string kRule = "-=-=-=-=-=-=-=-=-=-=-=-=-=-";

bool UsableShape(int32_t w, int32_t h) {
  return w * 10 / 16 == h || w * 9 / 16 == h || w * 3 / 4 == h;
}

bool Listed(int32_t w, int32_t h) {
  for (int32_t i = 1; i <= MostResses; ++i) {
    if (ResolutionW[i] == w && ResolutionH[i] == h) return true;
  }
  return false;
}

std::string MarkerPath() { return Paths.game + "crash.dat"; }

}  // namespace

void BuildModeList() {
  MostResses = 0;
  const int count = CountGraphicsModes();
  for (int i = 0; i < count; ++i) {
    int w = 0, h = 0, depth = 0, hertz = 0;
    GetGraphicsMode(i, w, h, depth, hertz);
    if (!UsableShape(w, h) || Listed(w, h)) continue;
    // The tables end here; further sizes are not offered.
    if (MostResses >= kMaxResses) break;
    ++MostResses;
    ResolutionW[MostResses] = w;
    ResolutionH[MostResses] = h;
    if (w == Options[5] && h == Options[6]) {
      Options[4] = MostResses;
      MyScrw = w;
      MyScrh = h;
    }
  }
  Options[5] = MyScrw;
  Options[6] = MyScrh;
}

void ChooseVirtualScreen() {
  Options[2] = 0;
  JScrw = 1280;
  JScrh = 960;
  if (MyScrw * 9 / 16 == MyScrh) {
    Options[2] = 1;
    JScrw = 1600;
    JScrh = 900;
    Debug("\tWidescreen mode!");
  }
  if (MyScrw * 10 / 16 == MyScrh) {
    Options[2] = 1;
    JScrw = 1440;
    JScrh = 900;
    Debug("\tWidescreen mode B (10:16)!");
  }
}

int32_t ChangeRes() {
  // An Apply clicked during the speed test of a switch under way is ignored.
  if (ChangingRes != 0) return 0;
  ChangingRes = 1;

  BuildModeList();
  Debug("");
  Debug(kRule);
  Debug("Applying Graphical Settings");
  if (FirstRun == 1) {
    EndGraphics();
    Debug("\tChanged Graphics Mode ingame.");
  }
  Options[3] = 0;
  SetGraphicsDriver(GL2DDriver(), 2);
  Debug("\tUsing OpenGL Driver");

  int depth = 0;
  if (Options[1] == 1) {
    for (int d : {32, 24, 16}) {
      if (GraphicsModeExists(MyScrw, MyScrh, d, 0)) {
        depth = d;
        break;
      }
    }
    if (depth == 0) AddComment("Can't set to fullscreen in this resolution.", 1);
  }
  Debug("\tResolution : " + Str(MyScrw) + "x" + Str(MyScrh) + "," + Str(depth));

  WriteFileAtomic(MarkerPath(), "");
  if (Graphics(MyScrw, MyScrh, depth, 60, 0) == 0) {
    // Not even the fallback window opened: nothing can be drawn, so the run
    // ends here, with the settings and scores saved once they were read. The
    // switch did not crash, and the marker would be a file left behind.
    Debug("\tNo display could be opened.");
    DeleteFile(MarkerPath());
    ChangingRes = 0;
    // A game that never came up is a failed start, and says why.
    if (FirstRun == 0) FailWithoutDisplay(GraphicsError());
    FinishWithoutDisplay();
  }
  // The display layer falls back to a window, then to 800x600, when a mode
  // cannot be opened; the screens lay themselves out by what is really open.
  if (depth != 0 && GraphicsDepth() == 0) AddComment("Can't set to fullscreen in this resolution.", 1);
  if (GraphicsWidth() > 0 && (GraphicsWidth() != MyScrw || GraphicsHeight() != MyScrh)) {
    MyScrw = GraphicsWidth();
    MyScrh = GraphicsHeight();
    Options[5] = MyScrw;
    Options[6] = MyScrh;
  }
  ChooseVirtualScreen();
  SetVirtualResolution(static_cast<float>(JScrw), static_cast<float>(JScrh));

  LoadCommon();
  LoadGame();

  Debug(kRule);
  DeleteFile(MarkerPath());
  ChangingRes = 0;
  return 0;
}

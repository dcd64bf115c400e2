#include "framework/pump.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "framework/controls.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/screenshot.h"
#include "music/player_step.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "scores/popups.h"
#include "settings/common_assets.h"
#include "settings/farewell.h"
#include "settings/display.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kTab = 9, kEsc = 27, kF4 = 115, kF11 = 122, kF12 = 123, kLAlt = 164, kRAlt = 165;
// A frame lasts at least this long: the first clock reading at or past
// (LastFrame - 2) + 1000 / 60 ends the wait.
constexpr int32_t kFrameMs = 15;
constexpr int32_t kCommentLife = 180;
constexpr int32_t kCommentFresh = 60;
constexpr int32_t kCommentStep = 14;
constexpr int32_t kCommentLine = 19;
constexpr int32_t kPointerFrame = 63;

FrameServices DefaultServices() {
  FrameServices s;
  s.drawScores = [] { DrawScores(); };
  s.saveIni = [] { SaveIni(); };
  s.saveScreenshot = [] { SaveScreenshot(); };
  s.pauseMe = [] { return PauseMe(); };
  s.option = [] { Option(); };
  s.musicStep = [] { QRDM_Play(); };
  s.finish = [] { Finish(); };
  return s;
}

FrameServices& Services() {
  static FrameServices s = DefaultServices();
  return s;
}

// Milliseconds from `from` to `to` on the wrapping 32-bit clock.
int32_t Elapsed(int32_t from, int32_t to) {
  return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}

int32_t TruncPixel(float v) {
  if (!(v > -2.0e9f && v < 2.0e9f)) return 0;
  return static_cast<int32_t>(v);
}

void DrawDebugOverlay() {
  SetImageFont(Font[1]);
  Text(2, 2, std::to_string(FramesPerSec), 0, 0);
  SetImageFont(Font[2]);
  Text(2, 40, "Collection : " + std::to_string(fc), 0, 0);
  Text(2, 60, "Used Memory : " + std::to_string(GCMemAlloced()), 0, 0);
  Text(2, 80, "Drawn Images : " + std::to_string(DrawCount[1]) + "/" + std::to_string(DrawMax[1]), 0, 0);
  Text(2, 100, "Drawn Glow : " + std::to_string(DrawCount[2]) + "/" + std::to_string(DrawMax[2]), 0, 0);
  Text(2, 120, "Drawn Particles : " + std::to_string(DrawCount[3]) + "/" + std::to_string(DrawMax[3]), 0, 0);
  Text(2, 150, "Hit F12 to remove this", 0, 0);
}

void WaitForFrame() {
  // Sleeps at least once. A clock that reads earlier than the stamp (it
  // wrapped or stepped back) ends the wait at once instead of hanging.
  int32_t t;
  do {
    Delay(1);
    t = MMillisecs();
  } while (Elapsed(LastFrame, t) >= 0 && Elapsed(LastFrame, t) < kFrameMs);
}

void RunCommentTicker() {
  SetScale(1.0f, 1.0f);
  SetImageFont(Font[3]);
  // The ticker's rows fit the 16-pixel font's 19-unit lines; the larger font
  // of small windows moves the rows up and apart by what its lines are
  // taller, so that no comment runs off the bottom or into the next.
  const int32_t taller = std::max<int32_t>(0, TextHeight("Ag") - kCommentLine);
  const int32_t line = kCommentStep + taller;
  int32_t y = JScrh - 16 - taller;
  for (const std::shared_ptr<ment>& m : comments) {
    ++m->tick;
    const bool fresh = m->tick < kCommentFresh;
    if (fresh) SetCol(255, 255, 0, 0.7f);
    else SetCol(0, 0, 0, 0.7f);
    DrawRect(0.0f, static_cast<float>(y), static_cast<float>(TextWidth(m->txt)),
             static_cast<float>(TextHeight(m->txt)));
    if (fresh) SetCol(0, 0, 0, 1.0f);
    else SetCol(255, 255, 255, 1.0f);
    Text(0, y, m->txt, 0, 0);
    y -= line;
    if (m->tick == kCommentLife) ListRemove(comments, m);
  }
}

// A close request or termination signal that a wait stopped for, left for
// the next frame (or wait) to answer once the waiting routine has finished
// what it was doing.
bool end_request_kept = false;

// True once for each close request or signal, whether it arrives now or was
// kept by a wait.
bool EndRequested() { return AppTerminate() != 0 || std::exchange(end_request_kept, false); }

void UpdateFrameAverage() {
  Frametook = Elapsed(LastFrame, MMillisecs());
  // A clock that stepped back must not divide by zero or a negative time.
  if (Frametook < 1) Frametook = 1;
  frameavg = (1000 / Frametook + 2 * frameavg) / 3;
  FramesPerSec = frameavg;
  LastFrame = MMillisecs();
}

}  // namespace

FrameServices& PumpServices() { return Services(); }

void ResetPumpServices() {
  Services() = DefaultServices();
  end_request_kept = false;
}

int32_t MMillisecs() { return MilliSecs(); }

void WaitStep() {
  Delay(1);
  PollInput();
  if (EndRequested()) Services().finish();
}

bool WaitStepOrStop() {
  Delay(1);
  PollInput();
  if (!EndRequested()) return true;
  end_request_kept = true;
  return false;
}

void WaitUntil(int32_t deadline) {
  while (Elapsed(deadline, MMillisecs()) < 0) WaitStep();
}

int32_t AddComment(const std::string& txt, int32_t c) {
  auto m = std::make_shared<ment>();
  m->txt = txt;
  m->tick = 0;
  m->c = c;
  ListAddLast(comments, m);
  return 0;
}

int32_t fps(int32_t first, int32_t second, int32_t showmouse) {
  (void)first;
  (void)second;
  int32_t result = 0;
  FrameServices& services = Services();
  // The frame's own readings of the controls end here; the pause menu reads
  // its own.
  NextControlFrame();

  services.drawScores();

  if (KeyHit(kTab)) {
    OptionScreen = 1 - OptionScreen;
    services.saveIni();
  }

  if (SkipDraw == 1) {
    const int64_t reclaimed = GCCollect();
    fc = static_cast<int32_t>(reclaimed > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                                             : reclaimed);
  }

  if (SkipDraw == 0 || Options[7] == 0) {
    if (KeyHit(kF11)) services.saveScreenshot();
    // No pause menu while the display is being switched: its answer would
    // have nowhere to go.
    if (KeyDown(kEsc) && InGame == 1 && ChangingRes == 0) {
      InGame = 2;
      result = services.pauseMe();
      InGame = 1;
    }
  }

  services.option();

  ResetDraw();
  SetScale(1.5f, 1.5f);
  SetImageFont(Font[1]);

  if (KeyHit(kF12)) DebugMode = 1 - DebugMode;
  if (DebugMode == 1) DrawDebugOverlay();

  if (showmouse == 1 || OptionScreen == 1) {
    DrawImage(CommonIconsF, VirtualMouseX() + 12.0f, VirtualMouseY() + 12.0f, kPointerFrame);
  }

  wx = mx;
  wy = my;
  mx = TruncPixel(VirtualMouseX());
  my = TruncPixel(VirtualMouseY());
  mh1 = MouseHit(1);
  mh2 = MouseHit(2);

  // The frame renders while the pump waits, so a frame lasts the longer of
  // the wait and the render rather than their sum. The ticker's few draws
  // follow with the flip.
  if (FrameDrawn()) SubmitDraws();
  WaitForFrame();

  services.musicStep();

  RunCommentTicker();

  if (FrameDrawn()) Flip(0);
  // The one fetch of the frame. What the window system reported while the
  // frame ran is read by the next frame, every part of it seeing the same
  // input; a click cannot come in between the options overlay's read of the
  // click count and the mouse sample above, which would drop it.
  PollInput();
  NextControlFrame();

  UpdateFrameAverage();

  SkipDraw = 1 - SkipDraw;

  if (KeyDown(kF4) && (KeyDown(kLAlt) || KeyDown(kRAlt))) {
    services.finish();
  } else if (EndRequested()) {
    services.finish();
  }

  return result;
}
